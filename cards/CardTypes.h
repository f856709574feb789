// The one table of card types: code, class, labels, reading parameters and
// the Mode menu entry of each. The factory, Auto mode, the Mode menu and the
// status bar all read it.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class CSFCard;

struct CardTypeInfo {
    int code;                     // card type code = mode value (0 = Auto / unrecognised)
    const char* className;
    // Texts in UTF-8, as the document keeps them; the window and kuvora-cli's
    // table show them through ShownText (Latin forms in English).
    const char* label;            // card type name the document shows
    const char* modeLabel;        // text of the status bar's mode pane
    const char* menuText;         // Mode menu item
    const char* prompt;           // status bar prompt of the Mode menu item
    int commandId;                // Mode menu command id
    bool hasSystemCode;
    std::uint8_t systemCode[2];   // transmission order
    int historyService;           // low byte transmitted first; 0 = none
    int historyBlocks;
    int ticketBarrierLogService;  // 0 = none
    int cardInfoService;          // 0 = none
    int cardInfoBlocks;
    int issuerKind;               // at construction
    std::unique_ptr<CSFCard> (*create)();
};

// Every known type, in code order (0, 1..11, 128, 129, 130, 131, 132).
const std::vector<CardTypeInfo>& CardTypeTable();
// The entry of a code, or null.
const CardTypeInfo* FindCardType(int code);
// A new card object of the class of `code`, or null for an unknown code.
std::unique_ptr<CSFCard> CreateCard(int code);
// Whether a card type keeps a card number (Edy, JMB, nanaco or WAON number)
// that the document reads after the history.
bool HasCardNumber(int code);
// Whether a history block of a card of type `code` is an unused slot, no
// record (the class's own rule: IsEmptySlot); `hex` is the block as 32 hex
// digits, as History.db keeps it (anything else is taken as a record).
bool IsEmptyHistorySlot(int code, const std::uint8_t* block);
bool IsEmptyHistorySlot(int code, QStringView hex);
bool IsEmptyHistorySlot(int code, std::string_view hex);
// The card types Auto mode tries, in the order it tries them.
std::vector<const CardTypeInfo*> AutoDetectionOrder();

// Mode menu command ids.
constexpr int kModeCommandFirst = 32800;
constexpr int kModeCommandLast = 32854;
// The mode a Mode menu command selects, or -1 for an id without a mode.
int ModeFromCommandId(int commandId);
// The status bar text of a mode; empty for a mode without a label.
QString ModeLabel(int mode);
