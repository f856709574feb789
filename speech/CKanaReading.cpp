#include "CKanaReading.h"

#include <QList>
#include <QStringView>

#include <mecab.h>

namespace {

// Dictionaries whose features give the katakana reading at index 7.
const char* const kDictionaries[] = {"/var/lib/mecab/dic/naist-jdic", "/var/lib/mecab/dic/ipadic-utf8",
                                     "/var/lib/mecab/dic/debian"};

// The fields of a MeCab feature line; a field may be quoted ("," is).
QList<QByteArray> splitFeature(const QByteArray& feature) {
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < feature.size(); ++i) {
        const char c = feature[i];
        if (c == '"') {
            if (quoted && i + 1 < feature.size() && feature[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == ',' && !quoted) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

bool isDigits(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (!c.isDigit()) return false;
    return true;
}

// Full-width digits as ASCII ones, which the voices read.
QString asciiDigits(QString text) {
    for (QChar& c : text)
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) c = QChar(u'0' + (c.unicode() - 0xFF10));
    return text;
}

}  // namespace

CKanaReading::CKanaReading() {
    for (const char* dir : kDictionaries) {
        const QByteArray arg = QByteArray("-d ") + dir;
        m_pTagger = mecab_new2(arg.constData());
        if (m_pTagger) break;
    }
}

CKanaReading::~CKanaReading() {
    if (m_pTagger) mecab_destroy(m_pTagger);
}

bool CKanaReading::IsKanji(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3FFFF) || c == 0x3005 /* 々 */ || c == 0x3006 /* 〆 */;
}

bool CKanaReading::HasKanji(const QString& text) {
    for (char32_t c : text.toUcs4())
        if (IsKanji(c)) return true;
    return false;
}

QString CKanaReading::Reading(const QString& text) {
    QString out;
    if (!m_pTagger) {
        for (char32_t c : text.toUcs4())
            if (!IsKanji(c)) out += QString::fromUcs4(&c, 1);
        return out;
    }
    const QByteArray utf8 = text.toUtf8();
    const mecab_node_t* node = mecab_sparse_tonode(m_pTagger, utf8.constData());
    // The nodes point into MeCab's copy of the text; take what is needed
    // before the tagger parses again (a lone kanji below).
    struct Word {
        QByteArray blanks, surface, feature;
        bool known;
    };
    QList<Word> words;
    for (; node; node = node->next) {
        if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
        const int blanks = node->rlength - node->length;
        words.append({QByteArray(node->surface - blanks, blanks), QByteArray(node->surface, node->length),
                      QByteArray(node->feature), node->stat == MECAB_NOR_NODE});
    }
    for (const Word& w : words) out += QString::fromUtf8(w.blanks) + WordReading(w.surface, w.feature, w.known);
    return out;
}

QString CKanaReading::WordReading(const QByteArray& surface, const QByteArray& feature, bool known) {
    const QString text = QString::fromUtf8(surface);
    const QList<QByteArray> fields = splitFeature(feature);
    // Numbers are read by the voice from their digits, not digit by digit.
    if (isDigits(text) || (fields.size() > 1 && fields[0] == "名詞" && fields[1] == "数" && !HasKanji(text)))
        return asciiDigits(text);
    if (known && fields.size() > 7 && fields[7] != "*" && !fields[7].isEmpty()) {
        const QString reading = QString::fromUtf8(fields[7]);
        if (!HasKanji(reading)) return reading;
    }
    QString out;
    for (char32_t c : text.toUcs4()) out += IsKanji(c) ? CharacterReading(c) : QString::fromUcs4(&c, 1);
    return out;
}

QString CKanaReading::CharacterReading(char32_t c) {
    const QByteArray utf8 = QString::fromUcs4(&c, 1).toUtf8();
    for (const mecab_node_t* node = mecab_sparse_tonode(m_pTagger, utf8.constData()); node; node = node->next) {
        if (node->stat != MECAB_NOR_NODE || node->length != utf8.size()) continue;
        const QList<QByteArray> fields = splitFeature(QByteArray(node->feature));
        if (fields.size() > 7 && fields[7] != "*" && !HasKanji(QString::fromUtf8(fields[7])))
            return QString::fromUtf8(fields[7]);
    }
    return QString();
}
