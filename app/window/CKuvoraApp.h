// CKuvoraApp: the application object. It initialises the FeliCa library when
// it is made and disposes it when it goes, runs start-up (settings root,
// menu style, command line, document, main window and view) and owns the
// application-level commands.
#pragma once

#include "CommandLine.h"
#include "GuiMessageSink.h"
#include "TarnelServer.h"
#include "UiLanguage.h"

#include <QApplication>

#include <memory>

class CKuvoraDoc;
class CMainFrame;

class CKuvoraApp : public QApplication {
public:
    CKuvoraApp(int& argc, char** argv);
    ~CKuvoraApp() override;

    // Start-up; false means the process ends now with ExitCode().
    bool InitInstance();
    int ExitCode() const { return m_nExitCode; }

    CKuvoraDoc* Document() const { return m_pDoc.get(); }
    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    const CommandLine& Options() const { return m_CommandLine; }

    static constexpr const char* kVersion = "1.9.0.20";

private:
    void ApplyMenuStyle();
    void OnFilePrintSetup();

    bool m_bLibraryInitialised = false;
    int m_nExitCode = 0;
    CommandLine m_CommandLine;
    GuiMessageSink m_Sink;
    std::unique_ptr<CKuvoraDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<TarnelServer> m_pTarnelServer;
};
