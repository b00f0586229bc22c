#pragma once

// A main window over a program folder of its own (three test palettes and a
// small logo) and a user palette folder of its own (through XDG_DATA_HOME),
// with a scripted interaction, and helpers to look at it.

#include "MainDlg.h"
#include "PreviewPanel.h"
#include "ScriptedInteraction.h"
#include "TestUtil.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <set>

using testutil::Bytes;
using testutil::TempDir;
using testutil::WriteFile;
using Answer = CUserInteraction::Answer;
using Buttons = CUserInteraction::Buttons;
using Icon = CUserInteraction::Icon;

// A palette whose entry i is (red, green, blue) = (i, g, b).
inline Bytes PaletteBytes(uint8_t green, uint8_t blue)
{
    Bytes bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.push_back(blue);
        bytes.push_back(green);
        bytes.push_back(static_cast<uint8_t>(i));
    }
    return bytes;
}

class MainDlgFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((m_Dir.Path() / "xdg").string()));
        const auto pal = m_Dir.Path() / "data" / "pal";
        std::filesystem::create_directories(pal);
        const std::string catalogue = "act2\r\nact1\r\nunits\r\n";
        WriteFile(pal / "palettes.ini", Bytes(catalogue.begin(), catalogue.end()));
        WriteFile(pal / "act1.pal", PaletteBytes(10, 11));
        WriteFile(pal / "act2.pal", PaletteBytes(20, 21));
        WriteFile(pal / "units.pal", PaletteBytes(30, 31));

        CDC6File logo;
        logo.NewDC6(1, 1);
        logo.ResizeFrame(0, 4, 3);
        logo.SetFramePixel(0, 1, 1, 5);
        logo.SaveDC6(m_Dir.Path() / "data" / "logo.dc6");
    }

    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    // Where the window finds the user's own palettes.
    std::filesystem::path UserPalettes() const
    {
        return m_Dir.Path() / "xdg" / "spritewright" / "pal";
    }

    void Start(const QString& startPath = {})
    {
        auto script = std::make_unique<CScriptedInteraction>();
        m_pScript = script.get();
        m_pDlg = std::make_unique<CMainDlg>(m_Dir.Path(), std::move(script));
        m_pDlg->SetStartPath(startPath);
        m_pDlg->OnInitDialog();
    }

    // Writes a sprite of D x F frames; frame i is i + 1 pixels wide.
    QString WriteSprite(const std::string& name, int directions, int frames)
    {
        CDC6File doc;
        doc.NewDC6(directions, frames);
        for (int i = 0; i < directions * frames; ++i) {
            doc.ResizeFrame(i, i + 1, 2);
            doc.SetFrameOffsetX(i, -i);
        }
        const auto path = m_Dir.Path() / name;
        EXPECT_TRUE(doc.SaveDC6(path));
        return QString::fromStdString(path.string());
    }

    template <typename T> T* Find(const char* name) const
    {
        T* widget = m_pDlg->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void Click(const char* name) const { Find<QPushButton>(name)->click(); }

    std::set<std::string> EnabledButtons() const
    {
        std::set<std::string> names;
        // The document's commands, not the viewer's.
        for (QPushButton* button : m_pDlg->findChildren<QPushButton*>())
            if (button->isEnabled() && !qobject_cast<CPreviewPanel*>(button->parentWidget()))
                names.insert(button->objectName().toStdString());
        return names;
    }

    QStringList Items(QComboBox* box) const
    {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items.push_back(box->itemText(i));
        return items;
    }

    QStringList Items(QListWidget* list) const
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items.push_back(list->item(i)->text());
        return items;
    }

    CPreviewWidget* Preview() const { return Find<CPreviewWidget>("m_stcPreview"); }

    // What the preview draws: the window is shown, and the rectangle the
    // frame covers is cut from the rendered viewport.
    QImage ShownPicture()
    {
        m_pDlg->show();
        CPreviewWidget* preview = Preview();
        return preview->viewport()->grab().toImage().copy(preview->FrameRect());
    }

    QStringList InfoFields() const
    {
        return {Find<QLineEdit>("m_edtWidth")->text(), Find<QLineEdit>("m_edtHeight")->text(),
                Find<QLineEdit>("m_edtOffsetX")->text(), Find<QLineEdit>("m_edtOffsetY")->text()};
    }

    TempDir m_Dir;
    CScriptedInteraction* m_pScript = nullptr;
    std::unique_ptr<CMainDlg> m_pDlg;
};

inline const std::set<std::string> kAlwaysEnabled = {"m_btnNew", "m_btnOpen", "m_btnExit",
                                                     "m_btnBuildFromIni", "m_btnLoadPalette",
                                                     "m_btnImportSheet"};
