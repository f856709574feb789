// The user guide, read in a window of the program: the Markdown pages of the
// guide folder in the window's language, with their pictures, rendered by Qt. No
// browser and no network are involved.
//
// The guide folder holds ja/ and en/ (the same pages in Japanese and in
// English, index.md the first) and images/.
// It is looked for beside the program (guide/, where the build puts it) and
// in ../share/kuvora/guide relative to the program (the installed layout).
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

// The folders searched for the guide, in order.
QStringList GuideFolderCandidates();
// The guide's first page, or empty when no guide is installed.
QString GuideIndexPath();

class GuideWindow : public QWidget {
    Q_OBJECT
public:
    explicit GuideWindow(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return m_pBrowser; }
    // Shows a page of the guide (a file URL); false when it cannot be read.
    bool ShowPage(const QUrl& page);

private:
    void PageShown();
    QTextBrowser* m_pBrowser;
};

// Opens the guide's first page in the program's one guide window, raising it
// when it is open already. Without a guide it says so in a message box and
// returns null.
GuideWindow* ShowGuide(QWidget* parent);
