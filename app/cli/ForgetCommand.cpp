// history --forget IDM [--card-type N]: a stored card leaves History.db with
// its rows, nickname and brand, for good.
#include "CHistoryTable.h"
#include "CliCommands.h"
#include "StoredHistory.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

int forgetUsage(const QString& why) {
    std::fprintf(stderr, "kuvora-cli: %s\n", why.toUtf8().constData());
    return ExitUsage;
}

}  // namespace

int RunForget(const CliOptions& options) {
    if (!options.idm.isEmpty() || !options.format.isEmpty() || !options.output.isEmpty() || options.summary ||
        options.journeys || !options.from.isEmpty() || !options.to.isEmpty())
        return forgetUsage(QStringLiteral("--forget takes only --card-type"));
    const QString idm = options.forget.toUpper();
    static const QRegularExpression hex16(QStringLiteral("^[0-9A-F]{16}$"));
    if (!hex16.match(idm).hasMatch())
        return forgetUsage(QStringLiteral("--forget %1: expected 16 hex digits").arg(options.forget));
    int cardType = -1;
    if (!ParseCardTypeOption(options, cardType)) return ExitUsage;
    CHistoryTable table;
    QString error;
    const int forgotten = ForgetStoredCard(table, idm, cardType, error);
    if (forgotten < 0) {
        std::fprintf(stderr, "kuvora-cli: %s: %s; nothing was forgotten\n", table.Path().toUtf8().constData(),
                     error.toUtf8().constData());
        return ExitMessage;
    }
    if (forgotten == 0) {
        std::fprintf(stderr, "kuvora-cli: no stored history for IDm %s%s\n", idm.toUtf8().constData(),
                     cardType < 0 ? "" : QStringLiteral(" and card type %1").arg(cardType).toUtf8().constData());
        return ExitMessage;
    }
    return ExitOk;
}
