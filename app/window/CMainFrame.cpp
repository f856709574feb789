#include "CMainFrame.h"

#include "CKuvoraView.h"
#include "CommandIcons.h"
#include "CardImageCommands.h"
#include "CSettingsStore.h"
#include "CardTypes.h"
#include "CommandIds.h"
#include "CommandTables.h"
#include "LockKeys.h"
#include "NameCodeCommand.h"
#include "ReaderChoiceDialog.h"
#include "ReaderWatcher.h"
#include "ReaderUse.h"
#include "SaveAsDialog.h"
#include "ShownText.h"
#include "SpendingDialog.h"
#include "StringTable.h"
#include "CHistoryTable.h"
#include "StoredCardsDock.h"
#include "StoredHistory.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QSizeGrip>
#include <QStatusBar>
#include <QToolBar>

namespace {

QString readingText() { return CMainFrame::tr("カードを読み取っています..."); }

// A text of the menu table as the window shows it.
QString menuText(const char* text) { return QCoreApplication::translate("Menu", text); }

// The prompt of a command: the status bar text before "\n", the tool tip after it.
std::pair<QString, QString> promptOf(int id) {
    if (const int mode = ModeFromCommandId(id); mode >= 0) {
        const CardTypeInfo* type = FindCardType(mode);
        const QString prompt = type ? ShownText(QString::fromUtf8(type->prompt)) : QString();
        return {prompt, prompt};
    }
    const QString text = ShownText(LoadString(id));
    const int cut = text.indexOf(QLatin1Char('\n'));
    if (cut < 0) return {text, text};
    return {text.left(cut), text.mid(cut + 1)};
}

}  // namespace

CMainFrame::CMainFrame(CKuvoraDoc* doc, QWidget* parent) : QMainWindow(parent), m_pDoc(doc) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Kuvora"));
    resize(settings::WindowWidth(), settings::WindowHeight());

    m_pView = new CKuvoraView(doc, this);

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildAccelerators();
    BuildNameGuidance();  // the view, with the 未登録 bar above it

    SetHandler(cmd::CardRead, [this] { ReadCard(); });
    SetHandler(cmd::EditSelectAll, [this] { m_pView->SelectAll(); });
    SetHandler(cmd::AppExit, [this] { close(); });
    SetHandler(cmd::FileNew, [this] {
        m_pDoc->OnNewDocument();
        m_pView->OnUpdate();
        UpdateNameGuidance();
    });
    for (const CardTypeInfo& type : CardTypeTable()) {
        const int id = type.commandId;
        SetHandler(id, [this, id] {
            m_pDoc->OnModeSelect(id);
            UpdateModeMarks();
        });
    }
    SetHandler(cmd::OpenCardImage, [this] {
        const QString reader = OpenCardImage(this);
        if (reader.isEmpty()) return;
        statusBar()->showMessage(reader.mid(6), 5000);
        UpdateEmptyHint();
        ReadCard();  // the card just put on the reader is shown at once
    });
    SetHandler(cmd::SaveCardImage, [this] { SaveCardImage(this); });
    SetHandler(cmd::NameCode, [this] {
        NameCodeAtCurrentCell(m_pView, this);
        UpdateNameGuidance(false);
    });
    connect(m_pView, &CKuvoraView::NameCodeRequested, this, [this] { m_Handlers[cmd::NameCode](); });
    SetHandler(cmd::ChooseReader, [this] {
        const QString reader = ChooseReader(this);
        if (!reader.isEmpty()) statusBar()->showMessage(reader, 5000);
        UpdateEmptyHint();
    });
    SetHandler(cmd::ReadOnTouch, [this] { SetReadOnTouch(!m_pWatcher); });
    SetHandler(cmd::SpendingSummary, [this] { SpendingDialog(*m_pDoc, this).exec(); });
    SetHandler(cmd::JourneysList, [this] { JourneysDialog(*m_pDoc, this).exec(); });
    if (settings::ReadInt(QStringLiteral("ReadOnTouch"), 0) == 1) SetReadOnTouch(true);
    SetHandler(cmd::HistoryReadAloud, [this] { m_pDoc->OnHistoryReadAloud(); });
    SetHandler(cmd::HistoryReadStop, [this] { m_pDoc->OnHistoryReadStop(); });
    SetHandler(cmd::FileSaveAs, [this] { m_pDoc->DoSave(QString(), true); });
    SetHandler(cmd::ViewToolBar, [this] { m_pToolBar->setVisible(!m_pToolBar->isVisible()); });
    SetHandler(cmd::ViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    SetHandler(cmd::FilePrint, [this] { m_pView->OnFilePrint(); });
    SetHandler(cmd::FilePrintDirect, [this] { m_pView->OnFilePrint(false); });
    SetHandler(cmd::FilePrintPreview, [this] { m_pView->OnFilePrintPreview(); });
    SetHandler(cmd::FilePrintSetup, [this] { m_pView->OnFilePrintSetup(); });
    // Copy has something to copy once there is a document.
    if (m_pDoc) SetHandler(cmd::EditCopy, [this] { m_pView->OnEditCopy(); });

    m_pStoredCards = new StoredCardsDock(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_pStoredCards);
    m_pStoredCards->hide();
    Action(cmd::ViewStoredCards)->setCheckable(true);
    connect(m_pStoredCards, &QDockWidget::visibilityChanged, this, [this](bool) {
        Action(cmd::ViewStoredCards)->setChecked(!m_pStoredCards->isHidden());
    });
    connect(m_pStoredCards, &StoredCardsDock::CardChosen, this, &CMainFrame::ShowStoredCard);
    // A forgotten card shown in the window goes with it: the window is as before any read.
    connect(m_pStoredCards, &StoredCardsDock::CardForgotten, this, [this](const QString& idm, int cardType) {
        if (m_pDoc->m_strIDm != idm || m_pDoc->m_nCardType != cardType) return;
        m_pDoc->OnNewDocument();
        RefreshView();
        UpdateNameGuidance();
    });
    SetHandler(cmd::ViewStoredCards, [this] {
        const bool show = m_pStoredCards->isHidden();
        if (show) m_pStoredCards->Refresh();
        m_pStoredCards->setVisible(show);
        // Wide enough for every column, leaving the view a third at least.
        if (show) resizeDocks({m_pStoredCards}, {std::min(m_pStoredCards->ContentWidth(), width() * 2 / 3)}, Qt::Horizontal);
        Action(cmd::ViewStoredCards)->setChecked(show);
    });
    Action(cmd::ViewPlainList)->setCheckable(true);
    SetHandler(cmd::ViewPlainList, [this] {
        m_pView->SetPlainView(!m_pView->IsPlainView());
        Action(cmd::ViewPlainList)->setChecked(m_pView->IsPlainView());
        settings::WriteInt(QStringLiteral("PlainList"), m_pView->IsPlainView() ? 1 : 0);
    });
    // The window comes back as it was left: the plain list, maximised.
    if (settings::ReadInt(QStringLiteral("PlainList"), 0) == 1) {
        m_pView->SetPlainView(true);
        Action(cmd::ViewPlainList)->setChecked(true);
    }
    if (settings::ReadInt(QStringLiteral("WindowMaximized"), 0) == 1) setWindowState(windowState() | Qt::WindowMaximized);

    UpdateNameGuidance();
    OrderFocus();
    m_pDoc->SetObserver(this);
    m_pModePane->setText(ShownText(ModeLabel(settings::Mode())));
    UpdateModeMarks();
    qApp->installEventFilter(this);
    UpdateIndicators();
}

CMainFrame::~CMainFrame() {
    delete m_pWatcher;  // the watch ends before the window goes
    m_pWatcher = nullptr;
    qApp->removeEventFilter(this);
    m_pDoc->SetObserver(nullptr);
    m_pStoredCards->disconnect(this);  // it hides as the window goes
}

QAction* CMainFrame::MakeAction(int id, const QString& text) {
    auto it = m_Actions.find(id);
    if (it != m_Actions.end()) return it->second;
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    action->setData(id);
    action->setIcon(CommandIcon(id));
    const auto [prompt, tip] = promptOf(id);
    action->setStatusTip(prompt);
    action->setToolTip(tip);
    // A command without a handler stays disabled, as it has nothing to do.
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
    m_Actions[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

QLabel* CMainFrame::IndicatorPane(int id) const {
    if (id == cmd::IndicatorMode) return m_pModePane;
    auto it = m_Indicators.find(id);
    return it == m_Indicators.end() ? nullptr : it->second;
}

void CMainFrame::SetHandler(int id, std::function<void()> handler) {
    m_Handlers[id] = std::move(handler);
    if (QAction* a = Action(id)) a->setEnabled(true);
}

bool CMainFrame::Execute(int id) {
    QAction* a = Action(id);
    auto it = m_Handlers.find(id);
    if (!a || !a->isEnabled() || it == m_Handlers.end()) return false;
    // The reader belongs to the command while it runs.
    const ReaderWatcher::Pause pause(id == cmd::ReadOnTouch ? nullptr : m_pWatcher);
    it->second();
    return true;
}

void CMainFrame::BuildMenus() {
    menuBar()->setAccessibleName(tr("メニュー バー"));
    for (const MenuDef& menuDef : MenuTable()) {
        QMenu* menu = menuBar()->addMenu(menuText(menuDef.title));
        for (const MenuItemDef& item : menuDef.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            if (item.id == -1) {
                // Auto, then the transit cards, then the common-area cards.
                m_pModeGroup = new QActionGroup(this);
                m_pModeGroup->setExclusive(true);
                bool commonArea = false;
                for (const CardTypeInfo& type : CardTypeTable()) {
                    if (type.code == 1 || (type.code >= 128 && !commonArea)) {
                        menu->addSeparator();
                        commonArea = type.code >= 128;
                    }
                    QAction* a = MakeAction(type.commandId, ShownText(QString::fromUtf8(type.menuText)));
                    a->setCheckable(true);
                    m_pModeGroup->addAction(a);
                    menu->addAction(a);
                }
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateModeMarks);
                continue;
            }
            QString text = menuText(item.text);
            const QString shortcut = menuText(item.shortcutText);
            if (!shortcut.isEmpty()) text += QLatin1Char('\t') + shortcut;
            menu->addAction(MakeAction(item.id, text));
        }
    }
    if (QAction* touch = Action(cmd::ReadOnTouch)) touch->setCheckable(true);
    QAction* toolBarItem = Action(cmd::ViewToolBar);
    QAction* statusBarItem = Action(cmd::ViewStatusBar);
    toolBarItem->setCheckable(true);
    statusBarItem->setCheckable(true);
}

void CMainFrame::BuildToolBar() {
    m_pToolBar = new QToolBar(tr("ツール バー"), this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolBarTable()) {
        if (id == 0) {
            m_pToolBar->addSeparator();
            continue;
        }
        QAction* a = MakeAction(id, promptOf(id).second);
        a->setIconText(promptOf(id).second);
        m_pToolBar->addAction(a);
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    // The button that shows the buttons a narrow window has no room for.
    if (auto* more = m_pToolBar->findChild<QWidget*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(tr("その他のボタン"));
    connect(m_pToolBar, &QToolBar::visibilityChanged, this,
            [this](bool visible) { Action(cmd::ViewToolBar)->setChecked(visible); });
    Action(cmd::ViewToolBar)->setChecked(true);
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    auto pane = [this, bar](int id, const QString& widest) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("pane%1").arg(id));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(widest) + 12);
        bar->addPermanentWidget(label);
        return label;
    };
    m_pModePane = pane(cmd::IndicatorMode, LoadString(cmd::IndicatorMode));
    m_pModePane->setAccessibleDescription(tr("カードのモード"));
    // A screen reader hears the key's name and whether it is on, where the
    // pane shows its abbreviation or nothing.
    const std::pair<int, QString> keyNames[] = {
        {cmd::IndicatorCaps, tr("Caps Lock")}, {cmd::IndicatorNum, tr("Num Lock")}, {cmd::IndicatorScroll, tr("Scroll Lock")}};
    for (const auto& [id, name] : keyNames) {
        m_Indicators[id] = pane(id, LoadString(id));
        m_Indicators[id]->setAccessibleName(name);
    }
    Action(cmd::ViewStatusBar)->setChecked(true);
    if (auto* grip = bar->findChild<QSizeGrip*>()) grip->setAccessibleName(tr("ウィンドウの大きさを変える"));
}

void CMainFrame::BuildAccelerators() {
    for (const AcceleratorDef& acc : AcceleratorTable()) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(acc.keys)), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = acc.id;
        // A key's command may have no menu item (new document, next pane).
        if (!Action(id)) MakeAction(id, QString());
        connect(shortcut, &QShortcut::activated, this, [this, id] { Execute(id); });
    }
}

void CMainFrame::UpdateModeMarks() {
    for (const CardTypeInfo& type : CardTypeTable())
        if (QAction* a = Action(type.commandId)) a->setChecked(m_pDoc->OnUpdateModeSelect(type.commandId));
    Action(cmd::ViewStatusBar)->setChecked(statusBar()->isVisible() || !isVisible());
}

void CMainFrame::UpdateIndicators() {
    const LockKeyState keys = QueryLockKeys();
    const std::pair<int, bool> states[] = {
        {cmd::IndicatorCaps, keys.caps}, {cmd::IndicatorNum, keys.num}, {cmd::IndicatorScroll, keys.scroll}};
    for (const auto& [id, on] : states) {
        QLabel* pane = m_Indicators[id];
        pane->setText(on ? LoadString(id) : QString());
        const QString state = on ? tr("オン") : tr("オフ");
        if (pane->accessibleDescription() != state) pane->setAccessibleDescription(state);
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::WindowActivate) UpdateIndicators();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::SetReadOnTouch(bool on) {
    if (on == (m_pWatcher != nullptr)) return;
    settings::WriteInt(QStringLiteral("ReadOnTouch"), on ? 1 : 0);
    if (QAction* a = Action(cmd::ReadOnTouch)) a->setChecked(on);
    if (!on) {
        delete m_pWatcher;  // stops the watch
        m_pWatcher = nullptr;
        return;
    }
    m_pWatcher = new ReaderWatcher(this);
    connect(m_pWatcher, &ReaderWatcher::CardPlaced, this, [this] { Execute(cmd::CardRead); });
    connect(m_pWatcher, &ReaderWatcher::NoReader, this,
            [this] { statusBar()->showMessage(ShownText(LoadString(1028)), 10000); });
    m_pWatcher->Start();
}

void CMainFrame::ReadCard() {
    const automation::ReaderUse readerInUse;  // automation calls wait for the read
    QApplication::setOverrideCursor(Qt::WaitCursor);
    statusBar()->showMessage(readingText());
    statusBar()->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_pDoc->OnCardRead();
    QApplication::restoreOverrideCursor();
    statusBar()->clearMessage();
}

void CMainFrame::RefreshView() {
    setWindowTitle(QStringLiteral("Kuvora"));
    m_pView->OnUpdate();
    repaint();
}

void CMainFrame::OnReadFinished() {
    RefreshView();
    if (!m_pStoredCards->isHidden()) m_pStoredCards->Refresh();  // a new card or new rows
    UpdateNameGuidance();
}

void CMainFrame::ShowStoredCard(const QString& idm, int cardType) {
    CHistoryTable table;
    LoadStoredHistory(table, *m_pDoc, idm, cardType);
    RefreshView();
    UpdateNameGuidance();
}

void CMainFrame::OnModePaneText(const QString& text) { m_pModePane->setText(ShownText(text)); }

QString CMainFrame::ChooseSavePath() {
    m_bSaveTypeCsv = false;
    return RunSaveAsDialog(this, &m_bSaveTypeCsv);
}

void CMainFrame::OnProgressText(const QString& text) {
    if (text.isEmpty()) statusBar()->showMessage(readingText());
    else statusBar()->showMessage(ShownText(text));
    statusBar()->repaint();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The size it has when not maximised or minimised.
    const QRect normal = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    const settings::WriteTogether oneWrite;
    settings::WriteInt(QStringLiteral("WindowWidth"), normal.width());
    settings::WriteInt(QStringLiteral("WindowHeight"), normal.height());
    settings::WriteInt(QStringLiteral("WindowMaximized"), isMaximized() ? 1 : 0);
    QMainWindow::closeEvent(event);
}
