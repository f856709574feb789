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

// Appends `text` with <, & and > escaped; the characters between them go in
// whole runs.
void appendEscaped(QString& out, const QString& text) {
    const QChar* run = text.constData();
    const QChar* const end = run + text.size();
    for (const QChar* p = run; p != end; ++p) {
        const char16_t c = p->unicode();
        if (c != '<' && c != '&' && c != '>') continue;
        out.append(run, p - run);
        run = p + 1;
        out += QLatin1String(c == '<' ? "&lt;" : c == '&' ? "&amp;" : "&gt;");
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
