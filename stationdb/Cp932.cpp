#include "Cp932.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

iconv_t handle(void* cd) { return static_cast<iconv_t>(cd); }

constexpr std::ptrdiff_t kSliceBytes = 256;

// Bytes of the UTF-8 sequence that starts with `lead`.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

Cp932Encoder::Cp932Encoder() : m_cd(iconv_open("CP932", "UTF-8")) {}

Cp932Encoder::~Cp932Encoder() {
    if (m_cd != reinterpret_cast<void*>(iconv_t(-1))) iconv_close(handle(m_cd));
}

void Cp932Encoder::Append(const QString& text, QByteArray& out) {
    QByteArray in = text.toUtf8();
    if (m_cd == reinterpret_cast<void*>(iconv_t(-1))) {
        // Without the converter only ASCII survives.
        for (QChar c : text) out.append(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
        return;
    }
    iconv(handle(m_cd), nullptr, nullptr, nullptr, nullptr);
    char* inPtr = in.data();
    char* const inEnd = in.data() + in.size();
    std::size_t inLeft = 0;
    // Two bytes per character at most, and UTF-8 takes at least one.
    const qsizetype start = out.size();
    out.resize(start + 2 * in.size() + 16);
    char* outPtr = out.data() + start;
    std::size_t outLeft = static_cast<std::size_t>(out.size() - start);
    for (;;) {
        if (inLeft == 0) {
            // The text goes to iconv in slices that end between characters:
            // after a character CP932 lacks, iconv decodes again a whole
            // buffer of what follows it (kilobytes), so a text full of such
            // characters took some 30 times as long as a clean one.
            if (inPtr == inEnd) break;
            char* sliceEnd = inPtr + std::min<std::ptrdiff_t>(inEnd - inPtr, kSliceBytes);
            while (sliceEnd < inEnd && (static_cast<unsigned char>(*sliceEnd) & 0xC0) == 0x80) ++sliceEnd;
            inLeft = static_cast<std::size_t>(sliceEnd - inPtr);
        }
        if (iconv(handle(m_cd), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() + 2 * static_cast<qsizetype>(inLeft) + 16);
            outPtr = out.data() + used;
            outLeft = static_cast<std::size_t>(out.size() - used);
            continue;
        }
        // Not in CP932 (or cut short): one "?" for the character.
        const std::size_t skip = std::min<std::size_t>(inLeft, sequenceLength(static_cast<unsigned char>(*inPtr)));
        inPtr += skip;
        inLeft -= skip;
        if (outLeft == 0) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() + 16);
            outPtr = out.data() + used;
            outLeft = static_cast<std::size_t>(out.size() - used);
        }
        *outPtr++ = '?';
        --outLeft;
    }
    out.resize(outPtr - out.data());
}

QByteArray Cp932Encoder::Encode(const QString& text) {
    QByteArray out;
    Append(text, out);
    return out;
}

QByteArray ToCp932(const QString& text) { return Cp932Encoder().Encode(text); }

bool FromCp932(const QByteArray& bytes, QString& text) {
    text.clear();
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == iconv_t(-1)) return false;
    QByteArray in = bytes;
    char* inPtr = in.data();
    std::size_t inLeft = static_cast<std::size_t>(in.size());
    // A CP932 character of one or two bytes takes at most three in UTF-8.
    QByteArray out(3 * in.size() + 16, Qt::Uninitialized);
    char* outPtr = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(cd);
    if (!ok) return false;
    out.resize(outPtr - out.data());
    text = QString::fromUtf8(out);
    return true;
}
