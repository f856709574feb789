#include "CNameCodeDlg.h"

#include "DbConnection.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// What the table names: a station, a shop or a bus stop.
QString placeLabel(const TableDef& table) {
    const QLatin1String name(table.name);
    if (name == QLatin1String("ShopCode")) return CNameCodeDlg::tr("店舗名:");
    if (name == QLatin1String("BusCode")) return CNameCodeDlg::tr("停留所名:");
    return CNameCodeDlg::tr("駅名:");
}

// "0x8D (141)" for each key column, one a line.
QString keyText(const NameKey& key) {
    QStringList lines;
    for (int i = 0; i < key.table->keyColumns && i < static_cast<int>(key.values.size()); ++i) {
        const int v = key.values[static_cast<std::size_t>(i)];
        lines << QStringLiteral("%1 = 0x%2 (%3)")
                     .arg(QLatin1String(key.table->columns[static_cast<std::size_t>(i)].name))
                     .arg(QString::asprintf("%02X", static_cast<unsigned>(v)))
                     .arg(v);
    }
    return lines.join(QLatin1Char('\n'));
}

// At most `max` characters, a character beyond U+FFFF counting once (the
// line edit's own limit counts UTF-16 units). Like that limit, it drops what
// was just typed or pasted past the end, not the text after the cursor.
class CharacterLimit : public QValidator {
public:
    CharacterLimit(int max, QObject* parent) : QValidator(parent), m_nMax(max) {}
    State validate(QString& input, int& pos) const override {
        for (int over = CharacterCount(input) - m_nMax; over > 0; --over) {
            if (pos <= 0) {
                input = CutToWidth(input, m_nMax);
                break;
            }
            const int width = pos >= 2 && input.at(pos - 1).isLowSurrogate() && input.at(pos - 2).isHighSurrogate() ? 2 : 1;
            input.remove(pos - width, width);
            pos -= width;
        }
        return Acceptable;
    }

private:
    int m_nMax;
};

void limitToCharacters(QLineEdit* edit, int max) {
    edit->setMaxLength(2 * max);
    edit->setValidator(new CharacterLimit(max, edit));
}

}  // namespace

CNameCodeDlg::CNameCodeDlg(const NameKey& key, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("駅名を登録"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("このコードは駅名データベースに登録されていません。\n"
                                "名前を入力すると、同じコードのすべての履歴に表示されます。"),
                             this);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    auto* table = new QLabel(QLatin1String(key.table ? key.table->name : ""), this);
    table->setObjectName(QStringLiteral("keyTable"));
    form->addRow(tr("テーブル:"), table);
    auto* codes = new QLabel(key.table ? keyText(key) : QString(), this);
    codes->setObjectName(QStringLiteral("keyCodes"));
    codes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(tr("コード:"), codes);
    m_pName = new QLineEdit(this);
    m_pName->setObjectName(QStringLiteral("placeName"));
    limitToCharacters(m_pName, kMaxColumnText);
    form->addRow(key.table ? placeLabel(*key.table) : tr("駅名:"), m_pName);
    m_pCompany = new QLineEdit(this);
    m_pCompany->setObjectName(QStringLiteral("companyName"));
    limitToCharacters(m_pCompany, kMaxColumnText);
    form->addRow(tr("会社名:"), m_pCompany);
    // Line names where the table keeps them (a shop has none).
    m_pLine = new QLineEdit(this);
    m_pLine->setObjectName(QStringLiteral("lineName"));
    limitToCharacters(m_pLine, kMaxColumnText);
    if (key.table && LineColumn(*key.table)) form->addRow(tr("路線名:"), m_pLine);
    else m_pLine->hide();
    layout->addLayout(form);
    m_pError = new QLabel(this);
    m_pError->setObjectName(QStringLiteral("nameError"));
    m_pError->setStyleSheet(QStringLiteral("color: #C00000"));
    m_pError->hide();
    layout->addWidget(m_pError);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    m_pOk->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    m_pOk->setEnabled(false);
    connect(m_pName, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_pOk->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CNameCodeDlg::accept() {
    for (const QLineEdit* edit : {m_pName, m_pCompany, m_pLine}) {
        if (ControlCharacterAt(edit->text()) < 0) continue;
        m_pError->setText(tr("名前にタブや改行などの制御文字は使えません。"));
        m_pError->show();
        return;
    }
    QDialog::accept();
}

QString CNameCodeDlg::Name() const { return m_pName->text().trimmed(); }
QString CNameCodeDlg::Company() const { return m_pCompany->text().trimmed(); }
QString CNameCodeDlg::Line() const { return m_pLine->isHidden() ? QString() : m_pLine->text().trimmed(); }
