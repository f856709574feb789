// The language the window and kuvora-cli's human output speak: the setting
// "Language" ("ja", "en", or "auto" to follow the locale: Japanese for a ja*
// locale, English for any other). Japanese is the texts' own language; English
// comes from the translation catalogue kuvora_en.qm. What other programs and
// files read (exports, JSON, the TCP text, History.db) never changes with it.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

enum class UiLanguage { Japanese, English };

// The language for a stored setting, given the locale's user-interface
// languages in order of preference (the first decides under "auto").
UiLanguage ChooseUiLanguage(const QString& setting, const QStringList& localeLanguages);
// The language the settings and the system locale choose.
UiLanguage ConfiguredUiLanguage();

// The folders searched for kuvora_*.qm: "translations" beside the program
// (the build tree), then ../share/kuvora/translations (the installed layout).
QStringList TranslationFolders();

// Installs the catalogues of `language` into `app`: Kuvora's own (none for
// Japanese) and, when `withQt`, Qt's own for that language (its buttons and
// standard dialogs). Sets JapaneseUi(). False when Kuvora's catalogue cannot
// be loaded; its texts then stay Japanese.
bool InstallUiLanguage(QCoreApplication& app, UiLanguage language, bool withQt);

// Loads Qt's own catalogue of `language` into `app`; false when none is
// installed (English needs none).
bool InstallQtTranslations(QCoreApplication& app, UiLanguage language = UiLanguage::Japanese);
