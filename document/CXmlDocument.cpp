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

QString CXmlDocument::Escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '<': out += QLatin1String("&lt;"); break;
        case '&': out += QLatin1String("&amp;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        default: out += c;
        }
    }
    return out;
}

void CXmlDocument::Write(const Element& element, QString& out) {
    out += QLatin1Char('<') + element.name;
    if (!element.children.empty()) {
        out += QLatin1String(">\r\n");
        for (const auto& child : element.children) Write(*child, out);
        out += QLatin1String("</") + element.name + QLatin1String(">\r\n");
    } else if (element.text.isEmpty()) {
        out += QLatin1String("/>\r\n");
    } else {
        out += QLatin1Char('>') + Escape(element.text) + QLatin1String("</") + element.name + QLatin1String(">\r\n");
    }
}

QString CXmlDocument::GetXml() const {
    QString out = m_strDeclaration;
    if (m_pRoot) Write(*m_pRoot, out);
    return out;
}
