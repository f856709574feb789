#include "CXmlDocument.h"

CXmlDocument::CXmlDocument() = default;
CXmlDocument::~CXmlDocument() = default;

void CXmlDocument::SetDocumentText(const QString& declaration) { m_strDeclaration = declaration; }

void CXmlDocument::AddRootElement(const QString& name) {
    m_Elements.clear();
    m_Elements.push_back(Element{name, QString()});
    m_nCurrent = 0;
}

void CXmlDocument::AddChildElement(const QString& name, const QString& text) {
    if (m_nCurrent < 0) return;
    const int index = static_cast<int>(m_Elements.size());
    Element child{name, text};
    child.parent = m_nCurrent;
    m_Elements.push_back(std::move(child));
    Element& parent = m_Elements[static_cast<std::size_t>(m_nCurrent)];
    if (parent.lastChild < 0)
        parent.firstChild = index;
    else
        m_Elements[static_cast<std::size_t>(parent.lastChild)].nextSibling = index;
    parent.lastChild = index;
}

bool CXmlDocument::StepIntoLastChild() {
    if (m_nCurrent < 0) return false;
    const int child = m_Elements[static_cast<std::size_t>(m_nCurrent)].lastChild;
    if (child < 0) return false;
    m_nCurrent = child;
    return true;
}

bool CXmlDocument::StepOut() {
    if (m_nCurrent < 0) return false;
    const int parent = m_Elements[static_cast<std::size_t>(m_nCurrent)].parent;
    if (parent < 0) return false;
    m_nCurrent = parent;
    return true;
}

namespace {

// Whether XML 1.0 can hold the UTF-16 unit at `p` (TAB, LF, CR and every
// character from U+0020 but U+FFFE, U+FFFF and a surrogate without its
// pair). DEL and the C1 controls, which XML 1.0 asks documents to avoid,
// count as characters it cannot hold: a Shift_JIS decoder of the IBM kind
// reads the byte 7F as U+001A.
bool xmlCanHold(const QChar* p, const QChar* end) {
    const char16_t c = p->unicode();
    if (c < 0x20) return c == '\t' || c == '\n' || c == '\r';
    if (c >= 0x7F && c <= 0x9F) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    if (QChar::isHighSurrogate(c)) return p + 1 != end && QChar::isLowSurrogate(p[1].unicode());
    if (QChar::isLowSurrogate(c)) return false;  // its high half, if any, went before it
    return true;
}

// Appends `text` with <, & and > escaped and each character XML cannot hold
// replaced by U+FFFD (a name stored with a control character in it); the
// characters between them go in whole runs.
void appendEscaped(QString& out, const QString& text) {
    const QChar* run = text.constData();
    const QChar* const end = run + text.size();
    for (const QChar* p = run; p != end; ++p) {
        const char16_t c = p->unicode();
        if (QChar::isHighSurrogate(c) && xmlCanHold(p, end)) {
            ++p;  // the pair goes whole
            continue;
        }
        const bool markup = c == '<' || c == '&' || c == '>';
        if (!markup && xmlCanHold(p, end)) continue;
        out.append(run, p - run);
        run = p + 1;
        if (markup) out += QLatin1String(c == '<' ? "&lt;" : c == '&' ? "&amp;" : "&gt;");
        else out += QChar(QChar::ReplacementCharacter);
    }
    out.append(run, end - run);
}

}  // namespace

QString CXmlDocument::Escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

void CXmlDocument::Write(int index, QString& out) const {
    const Element& element = m_Elements[static_cast<std::size_t>(index)];
    out += QLatin1Char('<');
    out += element.name;
    if (element.firstChild >= 0) {
        out += QLatin1String(">\r\n");
        for (int child = element.firstChild; child >= 0;
             child = m_Elements[static_cast<std::size_t>(child)].nextSibling)
            Write(child, out);
        out += QLatin1String("</");
        out += element.name;
        out += QLatin1String(">\r\n");
    } else if (element.text.isEmpty()) {
        out += QLatin1String("/>\r\n");
    } else {
        out += QLatin1Char('>');
        appendEscaped(out, element.text);
        out += QLatin1String("</");
        out += element.name;
        out += QLatin1String(">\r\n");
    }
}

QString CXmlDocument::GetXml() const {
    // The length as written without escapes: enough to reserve the whole
    // document at once in the common case.
    qsizetype size = m_strDeclaration.size();
    for (const Element& element : m_Elements) size += 2 * element.name.size() + element.text.size() + 8;
    QString out;
    out.reserve(size);
    out += m_strDeclaration;
    if (!m_Elements.empty()) Write(0, out);
    return out;
}
