#include "StationNameCommands.h"

#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "CSettingsStore.h"
#include "MessageSink.h"
#include "StationDatabasePaths.h"
#include "NamingProgressDialog.h"
#include "ShownText.h"
#include "StationNameTransfer.h"
#include "CodeNaming.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

namespace {

const char* const kBarSetting = "UnregisteredNamesBar";

// The contexts of the texts of the free functions below.
struct HintText {
    Q_DECLARE_TR_FUNCTIONS(EmptyWindowHint)
};
struct ImportText {
    Q_DECLARE_TR_FUNCTIONS(StationImport)
};

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
            {"(.+):(\\d+): (\\S+): holds the control character (U\\+[0-9A-F]{4})",
             "%1 の %2 行目: %3 に制御文字 %4 があります"},
            {"(.+):1: (.*): the column is named twice", "%1 の 1 行目: 列 %2 が 2 回あります"},
            {"(.+):1: more than (\\d+) columns", "%1 の 1 行目: 列が %2 個を超えています"},
            {"and (\\d+) more problems?", "ほかに %1 件の問題があります"},
            {"a name is at most (\\d+) characters", "名前は %1 文字までです"},
            {"not a key of a station-code table", "駅コード表のコードではありません"},
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
    if (reader.isEmpty() || reader == QLatin1String("auto")) return HintText::tr("自動（最初に見つかったリーダ・ライタ）");
    if (reader.startsWith(QLatin1String("image:")))
        return HintText::tr("カードイメージ %1").arg(QFileInfo(reader.mid(6)).fileName());
    if (reader == QLatin1String("pcsc")) return HintText::tr("PC/SC の最初のリーダ・ライタ");
    if (reader == QLatin1String("usb")) return HintText::tr("USB の最初の RC-S380");
    if (reader == QLatin1String("nfc")) return HintText::tr("libnfc の最初のリーダ・ライタ");
    return reader;
}

QString EmptyWindowHint(const QString& reader) {
    return HintText::tr("カードをリーダ・ライタに置いて、\n"
                                       "ファイル → 読み取り (Ctrl+R) を選んでください。\n\n"
                                       "使うリーダ・ライタ: %1\n"
                                       "ほかのリーダ・ライタやカードイメージは ファイル → リーダーの選択... で選べます。")
        .arg(ReaderDisplayName(reader));
}

QString StationImportText(const QString& english) {
    if (!JapaneseUi()) {
        // The import's own English, but for the hint of kuvora-stationdb's
        // option, which the window has no use for.
        static const QRegularExpression noTable(
            QStringLiteral("^(.+):1: the columns match no station-code table; name the table with --table$"));
        const QRegularExpressionMatch m = noTable.match(english);
        return m.hasMatch() ? ImportText::tr(
                                                          "%1 の 1 行目: 列の名前がどの駅コード表とも合いません（ファイル名を"
                                                          "表の名前にしてください。例: StationCode.csv）")
                                  .arg(m.captured(1))
                            : english;
    }
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
    // A passing note: it never makes the window's layout wider (the dock
    // beside the view keeps its width); squeezed, it wraps and clips.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 248, 214));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    auto* text = new QLabel(tr("「未登録」と表示された駅名は、まだ駅名表に登録されていません。"
                               "名前をダブルクリックして登録するか、駅名表 (CSV) を取り込めます。"),
                            this);
    text->setObjectName(QStringLiteral("unregisteredText"));
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    m_pName = new QPushButton(tr("駅名を登録"), this);
    m_pName->setObjectName(QStringLiteral("nameButton"));
    m_pImport = new QPushButton(tr("駅名表を取り込む..."), this);
    m_pImport->setObjectName(QStringLiteral("importButton"));
    m_pNever = new QPushButton(tr("今後表示しない"), this);
    m_pNever->setObjectName(QStringLiteral("neverButton"));
    m_pNever->setFlat(true);
    m_pClose = new QPushButton(QStringLiteral("×"), this);
    m_pClose->setObjectName(QStringLiteral("closeButton"));
    m_pClose->setFlat(true);
    m_pClose->setToolTip(tr("閉じる"));
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
    setWindowTitle(tr("駅名表の取り込み"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("駅名表を取り込めませんでした。次の問題があるため、どの行も取り込んでいません。\n"
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

StationImportProgressDialog::StationImportProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("stationImportProgress"));
    setWindowTitle(StationImportErrorsDialog::tr("駅名表の取り込み"));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    m_pLabel = new QLabel(this);
    m_pLabel->setObjectName(QStringLiteral("stage"));
    layout->addWidget(m_pLabel);
    m_pBar = new QProgressBar(this);
    m_pBar->setObjectName(QStringLiteral("bar"));
    m_pBar->setRange(0, 1000);
    m_pBar->setTextVisible(false);
    layout->addWidget(m_pBar);
    auto* buttons = new QDialogButtonBox(this);
    m_pStop = buttons->addButton(tr("中止"), QDialogButtonBox::RejectRole);
    m_pStop->setObjectName(QStringLiteral("stopButton"));
    connect(m_pStop, &QPushButton::clicked, this, &StationImportProgressDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    Show(ImportStage::Reading, 0, 0);
}

void StationImportProgressDialog::Show(ImportStage stage, qint64 done, qint64 total) {
    m_bStoppable = stage != ImportStage::Naming;
    if (m_bStopping && m_bStoppable) return;  // "stopping" stays until the import ends
    m_pLabel->setText(stage == ImportStage::Reading   ? tr("駅名表を読んでいます...")
                      : stage == ImportStage::Writing ? tr("駅名を書き込んでいます...")
                                                      : NamingProgressDialog::Text());
    m_pStop->setEnabled(m_bStoppable && !m_bStopping);
    if (total <= 0) {
        m_pBar->setRange(0, stage == ImportStage::Naming ? 0 : 1000);  // the naming tells no numbers: a busy bar
        return;
    }
    m_pBar->setRange(0, 1000);
    m_pBar->setValue(static_cast<int>(std::clamp<qint64>(done, 0, total) * 1000 / total));
}

void StationImportProgressDialog::reject() {
    // Once the names are written, the stored rows take them to the end.
    if (!m_bStoppable || m_bStopping) return;
    m_bStopping = true;
    m_pLabel->setText(tr("中止しています..."));
    m_pStop->setEnabled(false);
    emit StopRequested();
}

StationImport RunStationImport(QWidget* parent, const QStringList& files, int showAfterMs,
                               const std::function<void(StationImportProgressDialog*)>& shown) {
    // What the import thread tells and the window's thread reads.
    struct Progress {
        std::atomic<int> stage{static_cast<int>(ImportStage::Reading)};
        std::atomic<qint64> done{0}, total{0};
        std::atomic<bool> stop{false};
    };
    auto progress = std::make_shared<Progress>();
    auto result = std::make_shared<StationImport>();
    const QString overlay = UserStationCodeDatabasePath();
    const QString historyPath = CHistoryTable::DefaultPath();
    std::unique_ptr<QThread> thread(QThread::create([=] {
        CHistoryTable history(historyPath);
        *result = ImportStationTables(files, QString(), CsvEncoding::Detect, overlay, history, nullptr,
                                      [progress](ImportStage stage, qint64 done, qint64 total) {
                                          progress->stage = static_cast<int>(stage);
                                          progress->done = done;
                                          progress->total = total;
                                          return !progress->stop.load();
                                      });
    }));
    thread->setObjectName(QStringLiteral("station import"));
    QEventLoop loop;
    bool finished = false;
    QObject::connect(thread.get(), &QThread::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    StationImportProgressDialog dialog(parent);
    QObject::connect(&dialog, &StationImportProgressDialog::StopRequested, &loop, [progress] { progress->stop = true; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        dialog.Show(static_cast<ImportStage>(progress->stage.load()), progress->done, progress->total);
    });
    QTimer::singleShot(showAfterMs, &loop, &QEventLoop::quit);
    struct BusyCursor {
        BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
        ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    } busy;
    thread->start();
    // A short import shows nothing: the window repaints and answers, and
    // what the user types or clicks waits. A longer one shows the dialog,
    // which keeps input from the window.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        poll.start(100);
        dialog.show();
        if (shown) shown(&dialog);
        loop.exec();
    }
    // The loops also end when the program is asked to quit: the import then
    // stops where it may, and is waited for (a message it shows meanwhile
    // still reaches the window's thread).
    if (!finished) progress->stop = true;
    while (!thread->wait(QDeadlineTimer(20))) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return *result;
}

bool ImportStationTablesFromWindow(QWidget* parent, CKuvoraDoc& doc, QStringList files) {
    if (files.isEmpty())
        files = QFileDialog::getOpenFileNames(parent, ImportText::tr("駅名表を取り込む"), startFolder(),
                                              ImportText::tr("CSV ファイル (*.csv);;すべてのファイル (*)"));
    if (files.isEmpty()) return false;
    const StationImport result = RunStationImport(parent, files);
    if (result.cancelled) return false;  // stopped by the user: nothing was imported, as they asked
    if (result.imported) NameDocumentRowsFromUserRows(doc, result.tables);
    if (!result.imported) {
        StationImportErrorsDialog dialog(result.errors, files, parent);
        dialog.exec();
        return false;
    }
    QString text = ImportText::tr("駅名を %n 件取り込みました（新規 %1 件、置き換え %2 件）。", nullptr,
                                              result.rows.total())
                       .arg(result.rows.added)
                       .arg(result.rows.replaced);
    if (result.namedStoredCells > 0)
        text += ImportText::tr("\n保存済みの履歴の %n か所に名前を付けました。", nullptr, result.namedStoredCells);
    if (result.namedStoredCells < 0)
        text += ImportText::tr("\n保存済みの履歴には反映できませんでした。\n%1").arg(StationImportText(result.historyError));
    ShowMessage(text);
    return true;
}

int ResumeStoredNamingFromWindow(QWidget* parent) {
    CHistoryTable history;
    NamingProgressDialog progress(parent);
    QString error;  // a History.db that cannot be written says so when it is read
    return ResumeStoredNaming(history, error, progress.Callback());
}

bool ExportStationTablesFromWindow(QWidget* parent, QString folder) {
    if (folder.isEmpty())
        folder = QFileDialog::getExistingDirectory(parent, ImportText::tr("駅名表を書き出すフォルダ"), startFolder());
    if (folder.isEmpty()) return false;
    const StationExport result = ExportStationTables(UserStationCodeDatabasePath(), folder, QString());
    if (!result.written) {
        ShowMessage(ImportText::tr("駅名表を書き出せませんでした。\n%1").arg(StationImportText(result.error)));
        return false;
    }
    if (result.files.empty()) {
        ShowMessage(ImportText::tr("書き出す駅名がありません。登録した駅名や取り込んだ駅名表があると書き出せます。"));
        return true;
    }
    QStringList lines;
    // (No structured binding here: lupdate would not see the text.)
    for (const std::pair<QString, int>& file : result.files)
        lines << ImportText::tr("%1 (%n 件)", nullptr, file.second)
                     .arg(QFileInfo(file.first).fileName());
    ShowMessage(ImportText::tr("駅名表を %1 に書き出しました。\n%2")
                    .arg(QDir::toNativeSeparators(folder), lines.join(QLatin1Char('\n'))));
    return true;
}
