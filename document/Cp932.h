// Text to CP932 (Windows-31J), the code page Japanese systems write as
// Shift_JIS, through iconv. A character CP932 cannot hold becomes "?".
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
