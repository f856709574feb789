#include "UiLanguage.h"

#include "CSettingsStore.h"
#include "ShownText.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

UiLanguage ChooseUiLanguage(const QString& setting, const QStringList& localeLanguages) {
    if (setting == QLatin1String("ja")) return UiLanguage::Japanese;
    if (setting == QLatin1String("en")) return UiLanguage::English;
    const QString first = localeLanguages.isEmpty() ? QString() : localeLanguages.first();
    return first.startsWith(QLatin1String("ja"), Qt::CaseInsensitive) ? UiLanguage::Japanese : UiLanguage::English;
}

UiLanguage ConfiguredUiLanguage() {
    return ChooseUiLanguage(settings::Language(), QLocale::system().uiLanguages());
}

QStringList TranslationFolders() {
    const QString programDir = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(programDir + QStringLiteral("/translations")),
            QDir::cleanPath(programDir + QStringLiteral("/../share/kuvora/translations"))};
}

bool InstallQtTranslations(QCoreApplication& app, UiLanguage language) {
    if (language != UiLanguage::Japanese) return false;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalogue : {"qt_ja", "qtbase_ja"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QLatin1String(catalogue), folder) && app.installTranslator(translator)) return true;
        delete translator;
    }
    return false;
}

bool InstallUiLanguage(QCoreApplication& app, UiLanguage language, bool withQt) {
    if (withQt) InstallQtTranslations(app, language);
    SetJapaneseUi(true);
    if (language == UiLanguage::Japanese) return true;
    for (const QString& folder : TranslationFolders()) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QStringLiteral("kuvora_en"), folder) && app.installTranslator(translator)) {
            SetJapaneseUi(false);
            return true;
        }
        delete translator;
    }
    return false;
}
