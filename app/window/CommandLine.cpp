#include "CommandLine.h"

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine c;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--reader")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                c.error = QStringLiteral("--reader needs a reader name");
                return c;
            }
            c.reader = arguments[++i];
            continue;
        }
        if (a.startsWith(QLatin1String("--reader="))) {
            c.reader = a.mid(9);
            continue;
        }
        if (a == QLatin1String("--read")) {
            c.readAtStart = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.help = true;
            continue;
        }
        if (a == QLatin1String("--version")) {
            c.version = true;
            continue;
        }
        const QString flag = a.mid(1);
        auto is = [&flag](const char* name) { return flag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
        const bool switchLike = a.size() >= 2 && (a[0] == QLatin1Char('/') || a[0] == QLatin1Char('-'));
        if (switchLike && is("Embedding")) c.launch = CommandLine::Launch::Embedding;
        else if (switchLike && is("Automation")) c.launch = CommandLine::Launch::Automation;
        else if (switchLike && (is("Regserver") || is("Register"))) c.launch = CommandLine::Launch::Register;
        else if (switchLike && (is("Unregserver") || is("Unregister"))) c.launch = CommandLine::Launch::Unregister;
        else if (a.startsWith(QLatin1Char('-')) || a.isEmpty()) continue;  // other switches are not ours
        else if (!c.cardImage.isEmpty()) {
            c.error = QStringLiteral("only one card image file can be opened");
            return c;
        } else {
            c.cardImage = a;  // a file name, absolute ones starting with "/" too
        }
    }
    return c;
}

QString CommandLineUsage() {
    return QStringLiteral(
        "Usage: kuvora [OPTIONS] [CARD_IMAGE]\n"
        "Shows the history of a FeliCa card on the reader and keeps every row read.\n"
        "\n"
        "  CARD_IMAGE     a card image file (.json): its card is put on the virtual\n"
        "                 reader and read at once\n"
        "  --reader R     the reader:\n"
        "                   auto              the first reader found on PC/SC, USB or\n"
        "                                     libnfc (the default)\n"
        "                   pcsc, pcsc:NAME   a reader pcscd drives (RC-S300, ACR122U)\n"
        "                   usb, usb:BUS:ADDRESS  an RC-S380 on USB\n"
        "                   nfc, nfc:CONNSTRING   a reader libnfc drives\n"
        "                   image:PATH        the virtual reader with a card image\n"
        "                 (without it: $KUVORA_READER, else the setting \"Reader\",\n"
        "                 else auto)\n"
        "  --read         read the card once the window shows\n"
        "  --help         show this text\n"
        "  --version      show the version\n"
        "\n"
        "Automation (D-Bus service Kuvora.Tarnel):\n"
        "  -Embedding, -Automation   serve the automation object without a window\n"
        "  -Register, -Unregister    install or remove the D-Bus activation file\n"
        "\n"
        "The user guide, in Japanese, opens from the window's Help menu (F1).\n"
        "See also: kuvora-cli(1), kuvora-stationdb(1).\n");
}

bool OpensWindow(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return ParseCommandLine(arguments).launch == CommandLine::Launch::Interactive;
}
