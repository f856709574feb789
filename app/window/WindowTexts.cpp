#include "WindowTexts.h"

#include "ShownText.h"
#include "StringTable.h"

#include <QCoreApplication>

#include <QRegularExpression>

#include <utility>
#include <vector>

namespace {

using Rules = std::vector<std::pair<QRegularExpression, QString>>;

// Fills %1, %2 ... of `japanese` with the captures of `m`.
QString fill(QString japanese, const QRegularExpressionMatch& m) {
    for (int i = m.lastCapturedIndex(); i >= 1; --i)
        japanese.replace(QStringLiteral("%") + QString::number(i), m.captured(i));
    return japanese;
}

QString applyRules(const Rules& rules, const QString& text, bool* matched = nullptr) {
    for (const auto& [pattern, japanese] : rules) {
        const QRegularExpressionMatch m = pattern.match(text);
        if (m.hasMatch()) {
            if (matched) *matched = true;
            return fill(japanese, m);
        }
    }
    if (matched) *matched = false;
    return text;
}

Rules rules(std::initializer_list<std::pair<const char*, const char*>> list) {
    Rules r;
    for (const auto& [pattern, japanese] : list)
        r.emplace_back(QRegularExpression(QStringLiteral("^") + QString::fromUtf8(pattern) + QStringLiteral("$")),
                       QString::fromUtf8(japanese));
    return r;
}

// What is wrong with one field of a card image.
const Rules& fieldProblems() {
    static const Rules r = rules({
        {"missing", "ありません"},
        {"unknown field", "知らない項目です"},
        {"duplicate field", "項目が重複しています"},
        {"expected a string of hex digits", "16進数の文字列ではありません"},
        {"expected (\\d+) hex digits, found (\\d+) characters?", "16進数 %1 桁のはずが %2 文字です"},
        {"not a hex digit in \"(.*)\"", "「%1」に16進数でない文字があります"},
        {"expected an area code or an object", "エリアコードでもオブジェクトでもありません"},
        {"expected an object", "オブジェクトではありません"},
        {"expected an array of blocks", "ブロックの配列ではありません"},
        {"expected an array", "配列ではありません"},
        {"expected a non-empty array", "空でない配列ではありません"},
        {"expected 1", "1 ではありません"},
        {"expected a whole number from 1 to 15", "1 から 15 までの整数ではありません"},
        {"end code lies before the area code", "終了コードがエリアコードより前です"},
        {"more than 65536 blocks", "ブロックが 65536 を超えています"},
        {"too many areas and services", "エリアとサービスが多すぎます"},
        {"duplicate area (\\w+)", "エリア %1 が重複しています"},
        {"duplicate service (\\w+)", "サービス %1 が重複しています"},
        {"duplicate system (\\w+)", "システム %1 が重複しています"},
    });
    return r;
}

const Rules& messages() {
    static const Rules r = rules({
        // Card image files.
        {"the card image path is empty", "カードイメージのファイル名が空です。"},
        {"reader \"image:\" names no card image file", "カードイメージのファイル名が空です。"},
        {"(.+): cannot open the card image file \\((.*)\\)", "カードイメージ %1 を開けません（%2）。"},
        {"(.+): not a card image \\(file too large\\)", "%1 はカードイメージではありません（ファイルが大きすぎます）。"},
        {"(.+): not valid JSON \\((.*)\\)", "%1 はカードイメージではありません（JSON として読めません: %2）。"},
        {"(.+): cannot read the card image \\((.*)\\)", "カードイメージ %1 を読めません（%2）。"},
        {"(.+): cannot write the file \\((.*)\\)", "%1 に書き込めません（%2）。"},
        // Capture progress and failures.
        {"asking the card for its systems", "カードのシステムを調べています"},
        {"captured (\\d+) service\\(s\\)", "%1 個のサービスを読み取りました"},
        {"card (\\w+), PMm (\\w+), (\\d+) system\\(s\\)", "カード %1（PMm %2）、システム %3 個"},
        {"system (\\w+) \\(IDm (\\w+)\\): (\\d+) area\\(s\\), (\\d+) service\\(s\\)",
         "システム %1（IDm %2）: エリア %3 個、サービス %4 個"},
        {"service (\\w+): needs a key", "サービス %1: 鍵が必要です"},
        {"service (\\w+): the card refuses to read it", "サービス %1: カードが読み取りを拒みました"},
        {"service (\\w+): (\\d+) block\\(s\\)", "サービス %1: %2 ブロック"},
        {"the card reads up to (\\d+) \\(or more\\) blocks at once", "カードは一度に %1 ブロック以上読めます"},
        {"the card reads up to (\\d+) blocks at once", "カードは一度に %1 ブロックまで読めます"},
        {"the capture was cancelled", "読み取りを中止しました。"},
        {"another card lies on the reader", "別のカードが置かれています。"},
        // Why no card was read.
        {"no card on the reader answered polling for system (\\w+)",
         "リーダ・ライタの上にシステム %1 のカードがありません"},
        // Why a reader route found no reader/writer.
        {"pcscd is not running \\(start it with: (.*)\\)", "pcscd が動いていません（%1 で起動できます）"},
        {"pcscd lists no reader/writer \\(is one plugged in\\?\\)",
         "pcscd にリーダ・ライタがありません（接続されていますか？）"},
        {"no RC-S380 reader/writer was found on USB \\(is one plugged in\\?\\)",
         "USB に RC-S380 がありません（接続されていますか？）"},
        {"libnfc found no reader/writer \\(is one plugged in, and may this user use it\\?\\)",
         "libnfc がリーダ・ライタを見つけられません（接続されていますか？ このユーザーが使えますか？）"},
        {"libnfc could not open \"(.*)\" \\(is it plugged in, is the name right, and may this user use it\\?\\)",
         "libnfc が「%1」を開けません（接続されていますか？ 名前は正しいですか？ このユーザーが使えますか？）"},
    });
    return r;
}

}  // namespace

QString WindowText(const QString& english) {
    if (!JapaneseUi()) return english;
    bool matched = false;
    const QString whole = applyRules(messages(), english, &matched);
    if (matched) return whole;
    // "FILE: FIELD: PROBLEM" from the card image loader.
    static const QRegularExpression field(
        QStringLiteral("^(.+): (\\(top level\\)|[A-Za-z0-9_.\\[\\]]+): (.+)$"));
    const QRegularExpressionMatch m = field.match(english);
    if (m.hasMatch())
        return QStringLiteral("カードイメージ %1 の %2 が正しくありません: %3。")
            .arg(m.captured(1), m.captured(2), applyRules(fieldProblems(), m.captured(3)));
    return english;
}

namespace {

// The reason a reader could not be opened: each route's own words, in
// Japanese where they have a known shape.
QString openFailureText(const QString& why) {
    static const QRegularExpression routes(QStringLiteral("^no reader/writer found \\((.*)\\)$"));
    const QRegularExpressionMatch m = routes.match(why);
    if (!m.hasMatch()) return WindowText(why);
    QStringList parts;
    static const QRegularExpression route(QStringLiteral("^(\\w+): (.*)$"));
    // "pcsc: ...; usb: ...; nfc: ..."
    for (const QString& part : m.captured(1).split(QStringLiteral("; "))) {
        const QRegularExpressionMatch r = route.match(part);
        parts << (r.hasMatch() ? r.captured(1) + QStringLiteral(": ") + WindowText(r.captured(2)) : part);
    }
    return parts.join(QCoreApplication::translate("WindowTexts", "、"));
}

}  // namespace

QString WithNoCardReason(const QString& text, const std::string& reason) {
    if (reason.empty()) return text;
    bool readerMessage = false;
    for (int id : {1028, 1101, 1040}) readerMessage = readerMessage || text == LoadString(id);
    if (!readerMessage) return text;
    const QString why = QString::fromStdString(reason);
    const QString opening = QStringLiteral("the reader/writer could not be opened: ");
    if (why.startsWith(opening))
        return text + QLatin1Char('\n') +
               QCoreApplication::translate("WindowTexts", "リーダ・ライタを開けませんでした（%1）")
                   .arg(openFailureText(why.mid(opening.size())));
    return text + QLatin1Char('\n') + WindowText(why);
}
