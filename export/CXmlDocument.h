// CXmlDocument: builds XML text in memory element by element. The text is
// the declaration followed by the root element; every element stands on a
// line of its own without indentation, every line ends with CR LF, an
// element with an empty text is an empty-element tag, and only <, & and >
// are escaped in element text.
#pragma once

#include <QString>

#include <vector>

class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // The text that comes before the root element, line ends included.
    void SetDocumentText(const QString& declaration);
    // Makes the root element (replacing any earlier tree); it becomes the
    // current element.
    void AddRootElement(const QString& name);
    // Adds an element with its text as the last child of the current element.
    void AddChildElement(const QString& name, const QString& text = QString());
    // The current element's last child becomes the current element; false
    // when it has none.
    bool StepIntoLastChild();
    // The current element's parent becomes the current element; false at the root.
    bool StepOut();
    // The whole document text.
    QString GetXml() const;

    // `text` with <, & and > escaped.
    static QString Escape(const QString& text);

private:
    // The elements stand in one array in the order they were added, the root
    // first; each links to its parent, its first and last child and its next
    // sibling by index (-1 for none), so that adding one costs no allocation
    // of its own.
    struct Element {
        QString name;
        QString text;
        int parent = -1;
        int firstChild = -1;
        int lastChild = -1;
        int nextSibling = -1;
    };
    void Write(int index, QString& out) const;

    QString m_strDeclaration;
    std::vector<Element> m_Elements;
    int m_nCurrent = -1;
};
