#include "CKuvoraApp.h"

#include "CKuvoraDoc.h"
#include "AboutBox.h"
#include "CMainFrame.h"
#include "CSetupDlg.h"
#include "CSpeechdEngine.h"
#include "CommandIcons.h"
#include "Themes.h"
#include "CSettingsStore.h"
#include "CommandIds.h"
#include "ReaderChoice.h"
#include "felica.h"

#include <QPageSetupDialog>
#include <QPrinter>
#include <QTimer>

CKuvoraApp::CKuvoraApp(int& argc, char** argv) : QApplication(argc, argv) {
    initialize_library();
    m_bLibraryInitialised = true;
}

CKuvoraApp::~CKuvoraApp() {
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
    case CommandLine::Launch::Embedding:
    case CommandLine::Launch::Automation:
        // No window: these serve or (un)register the automation object only.
        return false;
    case CommandLine::Launch::Interactive: break;
    }

    InstallMessageSink(&m_Sink);
    const QString reader = ChooseReaderName(m_CommandLine.reader);
    SelectReader(reader);

    m_pDoc = std::make_unique<CKuvoraDoc>(SpeechdEngineFactory());
    m_pFrame = std::make_unique<CMainFrame>(m_pDoc.get());
    m_Sink.SetOwner(m_pFrame.get());
    m_pDoc->OnNewDocument();
    m_pFrame->SetHandler(cmd::FilePrintSetup, [this] { OnFilePrintSetup(); });
    m_pFrame->SetHandler(cmd::Setup, [this] {
        CSetupDlg dialog(m_pFrame.get());
        dialog.exec();
    });
    m_pFrame->SetHandler(cmd::AppAbout, [this] { ShowAboutBox(m_pFrame.get()); });
    m_pFrame->setWindowTitle(QStringLiteral("Kuvora"));
    ApplyMenuStyle();
    m_pFrame->show();
    m_pFrame->repaint();

    QString error;
    if (!CheckCardImageReader(reader, error)) ShowMessage(error);
    if (m_CommandLine.readAtStart) QTimer::singleShot(0, m_pFrame.get(), [this] { m_pFrame->ReadCard(); });
    return true;
}

void CKuvoraApp::OnFilePrintSetup() {
    if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>();
    QPageSetupDialog dialog(m_pPrinter.get(), m_pFrame.get());
    dialog.exec();
}
