#include "StationNameCommands.h"

#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CSettingsStore.h"
#include "MessageSink.h"
#include "StationDatabasePaths.h"
#include "NamingProgressDialog.h"
#include "StationNameTransfer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace {

const char* const kBarSetting = "UnregisteredNamesBar";

// The folder a file dialog starts in: the documents folder when there is
// one, else the home folder.
QString startFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The import's problems, whole-text patterns and their Japanese (%1, %2 ...
// are the captures).
const std::vector<std::pair<QRegularExpression, QString>>& importRules() {
    static const auto rules = [] {
        const std::pair<const char*, const char*> list[] = {
            {"(.+):(\\d+): text after a closing quote", "%1 の %2 行目: 閉じた引用符 (\") の後に文字があります"},
            {"(.+):(\\d+): a quote is never closed", "%1 の %2 行目: 引用符 (\") が閉じていません"},
            {"(.+): cannot open the file", "%1 を開けません"},
            {"(.+): file too large", "%1 は大きすぎます"},
            {"(.+): not UTF-8 text", "%1 は UTF-8 のテキストではありません"},
            {"(.+): not CP932 text", "%1 は CP932 (Shift_JIS) のテキストではありません"},
            {"(.+): neither UTF-8 nor CP932 text", "%1 は UTF-8 でも CP932 (Shift_JIS) でもありません"},
            {"(.+): empty file \\(the first line must name the columns\\)",
             "%1 は空です（1 行目に列の名前が必要です）"},
            {"(.+): no table named (.+)", "%1: %2 という表はありません"},
            {"(.+):1: the columns match no station-code table; name the table with --table",
             "%1 の 1 行目: 列の名前がどの駅コード表とも合いません（ファイル名を表の名前にしてください。例: "
             "StationCode.csv）"},
            {"(.+):1: column (\\S+) is missing \\((\\S+) needs (.+)\\)",
             "%1 の 1 行目: 列 %2 がありません（%3 には %4 の列が必要です）"},
            {"(.+):1: column (.*) does not belong to (\\S+)", "%1 の 1 行目: 列 %2 は %3 の列ではありません"},
            {"(.+):(\\d+): (\\d+) fields, expected (\\d+)", "%1 の %2 行目: 項目が %3 個あります（%4 個のはずです）"},
            {"(.+):(\\d+): (\\S+): longer than (\\d+) characters", "%1 の %2 行目: %3 が %4 文字を超えています"},
            {"(.+):(\\d+): (\\S+): expected a number from 0 to 255, found \"(.*)\"",
             "%1 の %2 行目: %3 は 0 から 255 までの数のはずですが「%4」です"},
            {"(.+):(\\d+): (\\S+): expected a 32-bit whole number, found \"(.*)\"",
             "%1 の %2 行目: %3 は整数のはずですが「%4」です"},
            {"(.+):(\\d+): the same codes as line (\\d+)", "%1 の %2 行目: %3 行目と同じコードです"},
            {"(.+): cannot create the folder", "フォルダ %1 を作れません"},
            {"(.+): cannot open the database \\((.*)\\)", "%1 を開けません（%2）"},
            {"(.+): the database is damaged \\((.*)\\); it was left as it was",
             "%1 は壊れています（%2）。書き込まずにそのままにしてあります"},
            {"(.+): not a station name database \\(it has a table (.+)\\); it was left as it was",
             "%1 は駅名のデータベースではありません（表 %2 があります）。書き込まずにそのままにしてあります"},
            {"(.+): the stored history was not changed \\((.+)\\)",
             "%1 の保存済みの履歴は変更できませんでした（%2）"},
            {"no CSV file given", "CSV ファイルが選ばれていません"},
        };
        std::vector<std::pair<QRegularExpression, QString>> r;
        for (const auto& [pattern, japanese] : list)
            r.emplace_back(QRegularExpression(QStringLiteral("^") + QString::fromUtf8(pattern) + QStringLiteral("$"),
                                              QRegularExpression::DotMatchesEverythingOption),
                           QString::fromUtf8(japanese));
        return r;
    }();
    return rules;
}

}  // namespace

QString ReaderDisplayName(const QString& reader) {
    if (reader.isEmpty() || reader == QLatin1String("auto")) return QStringLiteral("自動（最初に見つかったリーダ・ライタ）");
    if (reader.startsWith(QLatin1String("image:")))
        return QStringLiteral("カードイメージ %1").arg(QFileInfo(reader.mid(6)).fileName());
    if (reader == QLatin1String("pcsc")) return QStringLiteral("PC/SC の最初のリーダ・ライタ");
    if (reader == QLatin1String("usb")) return QStringLiteral("USB の最初の RC-S380");
    if (reader == QLatin1String("nfc")) return QStringLiteral("libnfc の最初のリーダ・ライタ");
    return reader;
}

QString EmptyWindowHint(const QString& reader) {
    return QStringLiteral("カードをリーダ・ライタに置いて、\n"
                          "ファイル → 読み取り (Ctrl+R) を選んでください。\n\n"
                          "使うリーダ・ライタ: %1\n"
                          "ほかのリーダ・ライタやカードイメージは ファイル → リーダーの選択... で選べます。")
        .arg(ReaderDisplayName(reader));
}

QString StationImportText(const QString& english) {
    for (const auto& [pattern, japanese] : importRules()) {
        const QRegularExpressionMatch m = pattern.match(english);
        if (!m.hasMatch()) continue;
        QString text = japanese;
        for (int i = m.lastCapturedIndex(); i >= 1; --i)
            text.replace(QStringLiteral("%") + QString::number(i), m.captured(i));
        return text;
    }
    return english;
}

UnregisteredNamesBar::UnregisteredNamesBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("unregisteredNamesBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // A passing note: it never makes the window's layout wider (the library
    // beside the view keeps its width); squeezed, it wraps and clips.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 248, 214));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    auto* text = new QLabel(QStringLiteral("「未登録」と表示された駅名は、まだ駅名表に登録されていません。"
                                           "名前をダブルクリックして登録するか、駅名表 (CSV) を取り込めます。"),
                            this);
    text->setObjectName(QStringLiteral("unregisteredText"));
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    m_pName = new QPushButton(QStringLiteral("駅名を登録"), this);
    m_pName->setObjectName(QStringLiteral("nameButton"));
    m_pImport = new QPushButton(QStringLiteral("駅名表を取り込む..."), this);
    m_pImport->setObjectName(QStringLiteral("importButton"));
    m_pNever = new QPushButton(QStringLiteral("今後表示しない"), this);
    m_pNever->setObjectName(QStringLiteral("neverButton"));
    m_pNever->setFlat(true);
    m_pClose = new QPushButton(QStringLiteral("×"), this);
    m_pClose->setObjectName(QStringLiteral("closeButton"));
    m_pClose->setFlat(true);
    m_pClose->setToolTip(QStringLiteral("閉じる"));
    m_pClose->setFixedWidth(m_pClose->fontMetrics().horizontalAdvance(QStringLiteral("××")) + 8);
    for (QPushButton* b : {m_pName, m_pImport, m_pNever, m_pClose}) layout->addWidget(b);
    connect(m_pName, &QPushButton::clicked, this, &UnregisteredNamesBar::NameRequested);
    connect(m_pImport, &QPushButton::clicked, this, &UnregisteredNamesBar::ImportRequested);
    connect(m_pClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_pNever, &QPushButton::clicked, this, [this] {
        settings::WriteInt(QString::fromLatin1(kBarSetting), 0);
        hide();
    });
    hide();
}

bool UnregisteredNamesBar::HiddenForGood() { return settings::ReadInt(QString::fromLatin1(kBarSetting), 1) == 0; }

void UnregisteredNamesBar::ShowFor(bool unregistered) { setVisible(unregistered && !HiddenForGood()); }

StationImportErrorsDialog::StationImportErrorsDialog(const QStringList& problems, const QStringList& files,
                                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("stationImportErrors"));
    setWindowTitle(QStringLiteral("駅名表の取り込み"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("駅名表を取り込めませんでした。次の問題があるため、どの行も取り込んでいません。\n"
                                                "ファイルを直してから、もう一度取り込んでください。"),
                                 this));
    m_pList = new QPlainTextEdit(this);
    m_pList->setObjectName(QStringLiteral("problems"));
    m_pList->setReadOnly(true);
    m_pList->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList lines;
    for (QString p : problems) {
        // "FILE:LINE: ..." and "FILE: ..." of a file the user chose.
        for (const QString& f : files)
            if (p.startsWith(f + QLatin1Char(':'))) p = QFileInfo(f).fileName() + p.mid(f.size());
        lines << StationImportText(p);
    }
    m_pList->setPlainText(lines.join(QLatin1Char('\n')));
    layout->addWidget(m_pList, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(680, 320);
}

bool ImportStationTablesFromWindow(QWidget* parent, CKuvoraDoc& doc, QStringList files) {
    if (files.isEmpty())
        files = QFileDialog::getOpenFileNames(parent, QStringLiteral("駅名表を取り込む"), startFolder(),
                                              QStringLiteral("CSV ファイル (*.csv);;すべてのファイル (*)"));
    if (files.isEmpty()) return false;
    CHistoryTable history;
    StationImport result;
    {
        NamingProgressDialog progress(parent);
        result = ImportStationTables(files, QString(), CsvEncoding::Detect, UserStationCodeDatabasePath(), history, &doc,
                                     progress.Callback());
    }
    if (!result.imported) {
        StationImportErrorsDialog dialog(result.errors, files, parent);
        dialog.exec();
        return false;
    }
    QString text = QStringLiteral("駅名を %1 件取り込みました（新規 %2 件、置き換え %3 件）。")
                       .arg(result.rows.total())
                       .arg(result.rows.added)
                       .arg(result.rows.replaced);
    if (result.namedStoredCells > 0)
        text += QStringLiteral("\n保存済みの履歴の %1 か所に名前を付けました。").arg(result.namedStoredCells);
    if (result.namedStoredCells < 0)
        text += QStringLiteral("\n保存済みの履歴には反映できませんでした。\n%1").arg(StationImportText(result.historyError));
    ShowMessage(text);
    return true;
}

bool ExportStationTablesFromWindow(QWidget* parent, QString folder) {
    if (folder.isEmpty())
        folder = QFileDialog::getExistingDirectory(parent, QStringLiteral("駅名表を書き出すフォルダ"), startFolder());
    if (folder.isEmpty()) return false;
    const StationExport result = ExportStationTables(UserStationCodeDatabasePath(), folder, QString());
    if (!result.written) {
        ShowMessage(QStringLiteral("駅名表を書き出せませんでした。\n%1").arg(StationImportText(result.error)));
        return false;
    }
    if (result.files.empty()) {
        ShowMessage(QStringLiteral("書き出す駅名がありません。登録した駅名や取り込んだ駅名表があると書き出せます。"));
        return true;
    }
    QStringList lines;
    for (const auto& [path, rows] : result.files)
        lines << QStringLiteral("%1 (%2 件)").arg(QFileInfo(path).fileName()).arg(rows);
    ShowMessage(QStringLiteral("駅名表を %1 に書き出しました。\n%2").arg(QDir::toNativeSeparators(folder), lines.join(QLatin1Char('\n'))));
    return true;
}
