#include "SpokenText.h"

QString SpokenHistoryText(const CHistoryDisplay& history, int row) {
    using namespace history;
    const QString& balance = history.Text(Balance, row);
    QString text = history.Text(Date, row) + QLatin1String(",,,") + history.Text(DepartureCompany, row) +
                   QLatin1Char(',') + history.Text(DepartureStation, row) + QLatin1String(",,") +
                   history.Text(ArrivalCompany, row) + QLatin1Char(',') + history.Text(ArrivalStation, row) +
                   QLatin1String(",,") + balance;
    if (!balance.isEmpty()) text += QStringLiteral("円");
    return text;
}
