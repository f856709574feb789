// Command ids of the window program.
#pragma once

namespace cmd {
constexpr int CardRead = 32771;
constexpr int Setup = 32772;
constexpr int GreenTicket = 32790;
constexpr int HistoryReadAloud = 32793;
constexpr int HistoryReadStop = 32794;
constexpr int ModeFirst = 32800;
constexpr int OpenCardImage = 32900;
constexpr int SaveCardImage = 32901;
constexpr int ChooseReader = 32902;
constexpr int ReadOnTouch = 32903;
constexpr int SpendingSummary = 32930;
constexpr int JourneysList = 32931;
constexpr int NameCode = 32920;  // the grid's 「駅名を登録...」
constexpr int ImportStationTables = 32925;
constexpr int ExportStationTables = 32926;
constexpr int ViewStoredCards = 32910;
constexpr int ViewPlainList = 32911;
constexpr int ModeLast = 32854;
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSaveAs = 57604;
constexpr int FilePrintSetup = 57606;
constexpr int FilePrint = 57607;
constexpr int FilePrintDirect = 57608;
constexpr int FilePrintPreview = 57609;
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditPaste = 57637;
constexpr int EditSelectAll = 57642;
constexpr int EditUndo = 57643;
constexpr int AppAbout = 57664;
constexpr int AppExit = 57665;
constexpr int HelpFinder = 57667;
constexpr int ContextHelp = 57669;
constexpr int Help = 57670;
constexpr int NextPane = 57680;
constexpr int PrevPane = 57681;
constexpr int ViewToolBar = 59392;
constexpr int ViewStatusBar = 59393;
// Status bar panes.
constexpr int IndicatorCaps = 59137;
constexpr int IndicatorNum = 59138;
constexpr int IndicatorScroll = 59139;
constexpr int IndicatorMode = 59143;
}  // namespace cmd
