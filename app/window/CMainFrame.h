// CMainFrame: the program's only top-level window: menu bar, tool bar,
// status bar (prompts, the card mode, CAP, NUM, SCRL) and the history view.
// It keeps its size, whether it was maximised and the plain list between
// runs.
#pragma once

#include "CKuvoraDoc.h"

#include <QMainWindow>

#include <functional>
#include <map>

class CKuvoraView;
class UnregisteredNamesBar;
class StoredCardsDock;
class QActionGroup;
class ReaderWatcher;
class QLabel;
class QToolBar;

class CMainFrame : public QMainWindow, public IDocumentObserver {
    Q_OBJECT
public:
    explicit CMainFrame(CKuvoraDoc* doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CKuvoraView* View() const { return m_pView; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* ModePane() const { return m_pModePane; }
    QLabel* IndicatorPane(int id) const;
    // The action of a command id, or null.
    QAction* Action(int id) const;
    // Gives a command its handler and enables it.
    void SetHandler(int id, std::function<void()> handler);
    // Runs a command as the menu, the tool bar or a key would.
    bool Execute(int id);

    // The Read command: busy cursor and a status text while the card is read.
    void ReadCard();
    // View > カードを置いたら読み取る: reads each card placed on the reader.
    void SetReadOnTouch(bool on);

    // The stored-cards dock (View > 保存済みカード), hidden at first.
    StoredCardsDock* StoredCards() const { return m_pStoredCards; }
    // The bar above the view that offers to name what a read left 未登録.
    UnregisteredNamesBar* NamesBar() const { return m_pNamesBar; }
    // File > 駅名表を取り込む...: imports the files (asked for when none are
    // given) and shows the names at once. True when imported.
    bool ImportStationTables(const QStringList& files = {});
    // Shows a stored card's history as a Read would show it, without a
    // reader.
    void ShowStoredCard(const QString& idm, int cardType);

    void OnReadFinished() override;
    void OnModePaneText(const QString& text) override;
    QString ChooseSavePath() override;
    bool SaveTypeIsCsv() const override { return m_bSaveTypeCsv; }
    void OnProgressText(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* MakeAction(int id, const QString& text);
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildAccelerators();
    void UpdateModeMarks();
    void UpdateIndicators();
    void RefreshView();
    // The station-name commands, the 未登録 bar and the empty window's hint.
    void BuildNameGuidance();
    // After a read (or a stored card shown) the bar shows when names are
    // 未登録; otherwise it only goes once none are left.
    void UpdateNameGuidance(bool afterRead = true);
    void UpdateEmptyHint();
    // Tab in reading order, once every part of the window is there.
    void OrderFocus();

    CKuvoraDoc* m_pDoc;
    CKuvoraView* m_pView = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pModePane = nullptr;
    std::map<int, QLabel*> m_Indicators;
    std::map<int, QAction*> m_Actions;
    std::map<int, std::function<void()>> m_Handlers;
    QActionGroup* m_pModeGroup = nullptr;
    ReaderWatcher* m_pWatcher = nullptr;  // read on touch, while it is on
    StoredCardsDock* m_pStoredCards = nullptr;
    bool m_bSaveTypeCsv = false;  // the CSV type was chosen in the last Save As
    UnregisteredNamesBar* m_pNamesBar = nullptr;
};
