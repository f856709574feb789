// CKuvoraDoc: the program's single document. It owns what one reading of a
// card produces (header texts, the ticket-gate log, the history display
// table) and runs the Read command: pick a card class from the mode (or
// detect the card), read, fill the display model, merge into History.db,
// reload the card's stored history, then read aloud and send as the
// settings ask.
#pragma once

#include "CardHistory.h"
#include "CSpeechQueue.h"
#include "HistorySender.h"

#include <QString>

#include <memory>
#include <vector>

class CSFCard;

// What the document asks of the window that shows it. The CLI attaches none.
class IDocumentObserver {
public:
    virtual ~IDocumentObserver() = default;
    // The Read command ended: the caption becomes "Kuvora", every view
    // updates and the window repaints at once.
    virtual void OnReadFinished() = 0;
    // The text of the status bar's mode pane.
    virtual void OnModePaneText(const QString& text) = 0;
    // The export's Save As dialog: the chosen path, or empty when cancelled.
    virtual QString ChooseSavePath() { return QString(); }
    // Whether the file type chosen in that dialog was CSV, which the
    // extension alone does not pick (a .csv name is saved as text).
    virtual bool SaveTypeIsCsv() const { return false; }
    // A step of a command that takes a while (empty when it is over).
    virtual void OnProgressText(const QString& text) { (void)text; }
};

class CKuvoraDoc : public CardHistory {
public:
    static constexpr int kGateLogRows = 3;
    static constexpr int kGateLogColumns = 7;

    // `speechEngine` makes the voice of the read-aloud; without it nothing is
    // spoken.
    explicit CKuvoraDoc(SpeechEngineFactory speechEngine = {});
    ~CKuvoraDoc();
    CKuvoraDoc(const CKuvoraDoc&) = delete;
    CKuvoraDoc& operator=(const CKuvoraDoc&) = delete;

    void SetObserver(IDocumentObserver* observer) { m_pObserver = observer; }

    bool OnNewDocument();
    // Command 32771.
    void OnCardRead();
    // Commands 32800..32854.
    void OnModeSelect(int commandId);
    // Whether the radio mark of a Mode menu command is set.
    bool OnUpdateModeSelect(int commandId) const;
    void ShowModeInStatusBar(int mode);

    // Queues the spoken text of each of the card's rows, newest first.
    void ReadHistoryAloud();
    // Command 32793.
    void OnHistoryReadAloud() { ReadHistoryAloud(); }
    // Command 32794: what waits is dropped; the text being spoken ends.
    void OnHistoryReadStop() { m_Speaker.ClearQueue(); }
    // Sends the card's header and rows to a TCP server in one connection;
    // false, after its message, when it could not.
    bool SendHistory(const QString& serverAddress, int serverPort);
    // The export: with an empty path the observer asks for one (false when
    // cancelled) and its extension picks the format; a file that cannot be
    // written is reported and still gives true.
    bool DoSave(const QString& path, bool replace = true);
    // Writes the export file of `m_strSaveExt`'s format (CSV when that type
    // was chosen in the dialog); false when the
    // file could not be written (any older file stays as it was).
    bool WriteExport(const QString& path) const;

    // Whether a mode value names Auto (0) or a card type.
    static bool IsValidMode(int mode);

    // What SendHistory sends with: plain sockets, unless the program gives
    // one that keeps its event loop turning (the window's SendBytes).
    ByteSender m_pSendBytes = SendBytesDirect;
    int m_bTcpIpSend = 0;
    QString m_strServerAddress;
    int m_nServerPort = 0;
    int m_bAlwaysHistoryRead = 0;
    CSpeechQueue m_Speaker;
    QString m_strCardTypeName;
    QString m_strMakeDate;
    QString m_strLibraryVersion;
    QString m_strLibraryCopyright;
    QString m_GateLog[kGateLogRows][kGateLogColumns];
    int m_nMode = 0;
    QString m_strSaveExt;
    // The CSV type was chosen in the last Save As dialog.
    bool m_bSaveCsv = false;
    // The issuer kind the card was read with (-1 when not known).
    int m_nIssuerKind = -1;
    // The brand of a Suica-family card ("PASMO", ...), empty for none or
    // another card type.
    QString m_strBrand;
    // The history shown is a stored card's, loaded without reading a card
    // (LoadStoredHistory); the next Read clears it.
    bool m_bStoredHistory = false;
    // The last Read command read a card of a known type (not "UNKNOWN"):
    // its header and rows are the card's. felica::noCardReason says why not.
    bool m_bCardRead = false;

private:
    std::unique_ptr<CSFCard> CreateCardForMode();
    // The header, the gate log and the card's records (m_nCardRows of
    // them; its unused slots are no rows).
    void FillFromCard(CSFCard& card);
    void FillRow(CSFCard& card, int slot, int row);

    IDocumentObserver* m_pObserver = nullptr;
};

// The display rows that hold one of the card's records, in display order:
// the rows of the last read that the reload left in the table (never more
// than it shows; for a stored card loaded without a read, as many of its
// newest rows as a read of its type takes) that are no unused slot of the
// card (IsEmptyHistorySlot). Neither a read nor a reload gives such a row; a
// document filled otherwise may hold one.
// What the read-aloud speaks and the page and the picture draw.
std::vector<int> CardRecordRows(const CKuvoraDoc& doc);
