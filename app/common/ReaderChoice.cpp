#include "ReaderChoice.h"

#include "CSettingsStore.h"
#include "card_image.h"
#include "felica.h"
#include "transport.h"


QString ChooseReaderName(const QString& option) {
    if (!option.isEmpty()) return option;
    const QString env = qEnvironmentVariable("KUVORA_READER");
    if (!env.isEmpty()) return env;
    const QString stored = settings::Reader();
    if (!stored.isEmpty()) return stored;
    return QStringLiteral("auto");
}

void SelectReader(const QString& name) {
    set_reader_writer_name(name.toUtf8().constData());
}

bool CheckCardImageReader(const QString& name, QString& error) {
    if (!name.startsWith(QLatin1String("image:"))) return true;
    std::string why;
    if (felica::checkCardImage(name.mid(6).toStdString(), why)) return true;
    error = QString::fromStdString(why);
    return false;
}
