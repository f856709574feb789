#include "CXmlDocument.h"

CXmlDocument::CXmlDocument() = default;
CXmlDocument::~CXmlDocument() = default;

void CXmlDocument::SetDocumentText(const QString& declaration) { m_strDeclaration = declaration; }

void CXmlDocument::AddRootElement(const QString& name) {
    m_pRoot = std::make_unique<Element>();
    m_pRoot->name = name;
    m_pCurrent = m_pRoot.get();
}

void CXmlDocument::AddChildElement(const QString& name, const QString& text) {
    if (!m_pCurrent) return;
    auto child = std::make_unique<Element>();
    child->name = name;
    child->text = text;
    child->parent = m_pCurrent;
    m_pCurrent->children.push_back(std::move(child));
}

bool CXmlDocument::StepIntoLastChild() {
    if (!m_pCurrent || m_pCurrent->children.empty()) return false;
    m_pCurrent = m_pCurrent->children.back().get();
    return true;
}

bool CXmlDocument::StepOut() {
    if (!m_pCurrent || !m_pCurrent->parent) return false;
    m_pCurrent = m_pCurrent->parent;
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

// The length of the element's text as written, without escapes: enough to
// reserve the whole document at once.
qsizetype roughSize(const QString& name, const QString& text) { return 2 * name.size() + text.size() + 8; }

}  // namespace

QString CXmlDocument::Escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

qsizetype CXmlDocument::Size(const Element& element) {
    qsizetype size = roughSize(element.name, element.text);
    for (const auto& child : element.children) size += Size(*child);
    return size;
}

void CXmlDocument::Write(const Element& element, QString& out) {
    out += QLatin1Char('<');
    out += element.name;
    if (!element.children.empty()) {
        out += QLatin1String(">\r\n");
        for (const auto& child : element.children) Write(*child, out);
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
    QString out;
    out.reserve(m_strDeclaration.size() + (m_pRoot ? Size(*m_pRoot) : 0));
    out += m_strDeclaration;
    if (m_pRoot) Write(*m_pRoot, out);
    return out;
}
