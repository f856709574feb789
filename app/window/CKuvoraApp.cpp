#include "CKuvoraApp.h"

#include "CKuvoraDoc.h"
#include "AboutBox.h"
#include "GuideWindow.h"
#include "AutomationStartup.h"
#include "CKuvoraView.h"
#include "CMainFrame.h"
#include "CSetupDlg.h"
#include "CSuicaGreenDlg.h"
#include "CSpeechdEngine.h"
#include "CommandIcons.h"
#include "HistorySender.h"
#include "Themes.h"
#include "CSettingsStore.h"
#include "CommandIds.h"
#include "ReaderChoice.h"
#include "StationNameCommands.h"
#include "UiLanguage.h"
#include "WindowTexts.h"
#include "felica.h"

#include <QFileInfo>
#include <QTimer>

#include <cstdio>

CKuvoraApp::CKuvoraApp(int& argc, char** argv) : QApplication(argc, argv) {
    // Japanese or English, Qt's own dialogs and buttons too; before any
    // window or text is made.
    if (!InstallUiLanguage(*this, ConfiguredUiLanguage(), true))
        std::fprintf(stderr, "kuvora: no English translation found in %s; the window stays in Japanese\n",
                     qPrintable(TranslationFolders().join(QLatin1String(", "))));
    initialize_library();
    m_bLibraryInitialised = true;
}

CKuvoraApp::~CKuvoraApp() {
    m_pTarnelServer.reset();  // the automation object leaves the bus first
    InstallMessageSink(nullptr);
    m_pFrame.reset();
    m_pDoc.reset();
    if (m_bLibraryInitialised) {
        m_bLibraryInitialised = false;
        dispose_library();
    }
}

void CKuvoraApp::ApplyMenuStyle() {
    // A style outside 0..5 counts as 4; a theme that cannot be made leaves the current one.
    ::ApplyMenuStyle(settings::MenuStyle());
}

bool CKuvoraApp::InitInstance() {
    // The settings live under Mirokaze/Kuvora.
    setOrganizationName(QStringLiteral("Mirokaze"));
    setApplicationName(QStringLiteral("Kuvora"));
    setApplicationVersion(QString::fromLatin1(kVersion));
    setDesktopFileName(QStringLiteral("kuvora"));
    setWindowIcon(KuvoraAppIcon());
    ApplyMenuStyle();

    m_CommandLine = ParseCommandLine(arguments().mid(1));
    if (!m_CommandLine.error.isEmpty()) {
        std::fprintf(stderr, "kuvora: %s\n", m_CommandLine.error.toUtf8().constData());
        m_nExitCode = 2;
        return false;
    }
    switch (m_CommandLine.launch) {
    case CommandLine::Launch::Register:
    case CommandLine::Launch::Unregister:
        m_nExitCode = RunRegistrationSwitch(m_CommandLine.launch);
        return false;
    case CommandLine::Launch::Embedding:
    case CommandLine::Launch::Automation:
        // No window: the process serves the automation object until nothing is left to serve.
        SelectReader(ChooseReaderName(m_CommandLine.reader));
        m_pTarnelServer = StartTarnelServer(TarnelServer::Mode::AutomationOnly);
        if (!m_pTarnelServer) {
            m_nExitCode = 1;
            return false;
        }
        connect(m_pTarnelServer.get(), &TarnelServer::Finished, this, &QCoreApplication::quit);
        return true;
    case CommandLine::Launch::Interactive: break;
    }

    InstallMessageSink(&m_Sink);
    QString reader = ChooseReaderName(m_CommandLine.reader);
    if (!m_CommandLine.cardImage.isEmpty()) {
        // A card image given to open (from a file manager too): read it at once.
        reader = QStringLiteral("image:") + QFileInfo(m_CommandLine.cardImage).absoluteFilePath();
        m_CommandLine.readAtStart = true;
    }
    SelectReader(reader);

    m_pDoc = std::make_unique<CKuvoraDoc>(SpeechdEngineFactory());
    m_pDoc->m_pSendBytes = SendBytes;  // the window keeps painting while it sends
    m_pFrame = std::make_unique<CMainFrame>(m_pDoc.get());
    m_Sink.SetOwner(m_pFrame.get());
    m_pDoc->OnNewDocument();
    m_pFrame->SetHandler(cmd::FilePrintSetup, [this] { OnFilePrintSetup(); });
    m_pFrame->SetHandler(cmd::Setup, [this] {
        CSetupDlg dialog(m_pFrame.get());
        dialog.exec();
    });
    m_pFrame->SetHandler(cmd::GreenTicket, [this] {
        CSuicaGreenDlg dialog(m_pFrame.get());
        dialog.exec();
    });
    m_pFrame->SetHandler(cmd::AppAbout, [this] { ShowAboutBox(m_pFrame.get()); });
    // ヘルプ → トピックの検索 and F1 open the Japanese user guide.
    m_pFrame->SetHandler(cmd::HelpFinder, [this] { ShowGuide(m_pFrame.get()); });
    m_pFrame->SetHandler(cmd::Help, [this] { ShowGuide(m_pFrame.get()); });
    m_pFrame->setWindowTitle(QStringLiteral("Kuvora"));
    ApplyMenuStyle();
    m_pFrame->show();
    m_pFrame->repaint();
    ResumeStoredNamingFromWindow(m_pFrame.get());
    // Without a session bus the window works on, only without automation.
    m_pTarnelServer = StartTarnelServer(TarnelServer::Mode::Window);

    QString error;
    const bool readable = CheckCardImageReader(reader, error);
    if (!readable) ShowMessage(WindowText(error));
    if (m_CommandLine.readAtStart && readable) QTimer::singleShot(0, m_pFrame.get(), [this] { m_pFrame->ReadCard(); });
    return true;
}

void CKuvoraApp::OnFilePrintSetup() {
    // The page set up here is the one Print and Print Preview use: the
    // view's printer, kept for the session.
    m_pFrame->View()->OnFilePrintSetup();
}
