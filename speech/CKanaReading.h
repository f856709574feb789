// Kana readings of Japanese text, for voices that read kana but not kanji.
// Words go through MeCab with a Debian dictionary (naist-jdic or ipadic);
// each known word becomes its katakana reading. Numbers, commas and blanks
// stay as they are. A word the dictionary does not know falls back to its
// characters, each kanji among them read on its own; a kanji that has no
// reading at all is left out, so the result never holds a kanji.
#pragma once

#include <QString>

struct mecab_t;

class CKanaReading {
public:
    CKanaReading();
    ~CKanaReading();
    CKanaReading(const CKanaReading&) = delete;
    CKanaReading& operator=(const CKanaReading&) = delete;

    // Whether a dictionary was found; without one every kanji is left out.
    bool HasDictionary() const { return m_pTagger != nullptr; }
    QString Reading(const QString& text);

    static bool IsKanji(char32_t c);
    static bool HasKanji(const QString& text);

private:
    QString WordReading(const QByteArray& surface, const QByteArray& feature, bool known);
    QString CharacterReading(char32_t c);

    mecab_t* m_pTagger = nullptr;
};
