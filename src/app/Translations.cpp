#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>

ELanguage ChooseLanguage(const QStringList& uiLanguages)
{
    for (const QString& language : uiLanguages) {
        // "zh", "zh-CN", "zh_TW", "zh-Hans-CN", ...
        const QString base = language.section(QRegularExpression("[-_]"), 0, 0).toLower();
        if (base == "zh")
            return ELanguage::Chinese;
        if (base == "en")
            return ELanguage::English;
    }
    return ELanguage::English;
}

std::optional<ELanguage> LanguageFromName(const QString& name)
{
    if (name == "zh")
        return ELanguage::Chinese;
    if (name == "en")
        return ELanguage::English;
    return std::nullopt;
}

CTranslations::CTranslations(ELanguage language)
{
    if (language == ELanguage::English) {
        m_bLoaded = m_App.load(":/translations/spritewright_en.qm");
        if (m_bLoaded)
            QCoreApplication::installTranslator(&m_App);
        return;
    }
    // Our captions are simplified Chinese; Qt's own texts follow them.
    if (m_Qt.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_Qt);
}

CTranslations::~CTranslations()
{
    QCoreApplication::removeTranslator(&m_App);
    QCoreApplication::removeTranslator(&m_Qt);
}
