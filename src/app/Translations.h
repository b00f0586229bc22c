#pragma once

// The window's two languages. Its captions are written in Chinese; English
// captions come from the translation built into the program, and Qt's own
// dialogs (message box buttons, the file dialog) speak Chinese through Qt's
// translations where the system has them.

#include <QStringList>
#include <QTranslator>

#include <optional>

enum class ELanguage { Chinese, English };

// The language for the user's interface languages in order of preference
// (QLocale::uiLanguages): the first of them that is Chinese or English, and
// English when none is.
ELanguage ChooseLanguage(const QStringList& uiLanguages);

// The language a --lang value names ("zh" or "en"), or nothing.
std::optional<ELanguage> LanguageFromName(const QString& name);

// Installs the translators of a language on the application for as long as
// it lives, and removes them again.
class CTranslations {
public:
    explicit CTranslations(ELanguage language);
    ~CTranslations();
    CTranslations(const CTranslations&) = delete;
    CTranslations& operator=(const CTranslations&) = delete;

    // False when the language's own translation could not be loaded (the
    // captions then stay Chinese). Qt's translations are optional.
    bool Loaded() const { return m_bLoaded; }

private:
    QTranslator m_App;
    QTranslator m_Qt;
    bool m_bLoaded = true;
};
