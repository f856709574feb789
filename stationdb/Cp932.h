// Text to and from CP932 (Windows-31J), the code page Japanese systems write
// as Shift_JIS, through iconv. A character CP932 cannot hold becomes "?".
#pragma once

#include <QByteArray>
#include <QString>

class Cp932Encoder {
public:
    Cp932Encoder();
    ~Cp932Encoder();
    Cp932Encoder(const Cp932Encoder&) = delete;
    Cp932Encoder& operator=(const Cp932Encoder&) = delete;

    // Appends `text` in CP932 to `out`.
    void Append(const QString& text, QByteArray& out);
    QByteArray Encode(const QString& text);

private:
    void* m_cd;
};

QByteArray ToCp932(const QString& text);

// CP932 bytes as text; false when they are not CP932 (a byte sequence the
// code page does not define, or one cut short at the end).
bool FromCp932(const QByteArray& bytes, QString& text);
