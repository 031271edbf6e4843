// TMainFrm: the one main form of the program. It owns everything for the life of the process
// (the play area splPaintView, the scenario tree, the music player, the three sub-forms, the
// string lists and the menu fonts) and holds the whole game state as plain members, which the
// other subsystems read and write directly.
//
// The member functions are defined by the subsystem that owns them. Everything is public: the
// subsystems call each other directly.
//
// The members are listed in groups. A group begins with a comment line of the form
//   // ==== <file under src/>: <what the group holds> ====
// and every member function declared after it, up to the next group comment, is defined in that
// file; a group of data alone names no file ("// ==== <what the group holds> ===="). Functions
// defined here in the class body belong to no file. tests/structure/main_form_file_map.sh holds
// the header to this.
//
// The game state stays in flat members instead of member structs by concern: every subsystem
// uses the members by the names the whole program knows them by (StepState, NodeIndex,
// TextSubState, ...), and a struct would change each of those uses (StepState into
// step.StepState). The groups below order them by concern instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/app.h"
#include "platform/text/text.h"
#include "platform/types.h"
#include "scenario/node_tree.h"
#include "scenario/scenario_file.h"
#include "shell/save_data.h"
#include "shell/string_list.h"

class TSplPaint;
class TMediaPlayer;
class TfrmOption;
class TfrmInput;
class TfrmEnding;

// The private message that starts the game loop, posted once by FormCreate.
constexpr uint32_t WM_RUNGAME = WM_APP + 0x3E9;  // 0x83E9
static_assert(WM_RUNGAME == 0x83E9);

// States of the game step machine (StepState, PrevStepState). The numbers with no state are
// never taken.
enum TStepState : int32_t {
  ssStopped = 0,         // no game runs: before WM_RUNGAME and after the close
  ssTitle = 1,           // the title picture, waiting for a click
  ssTitleMenu = 2,       // the title menu
  ssConfirm = 3,         // the yes/no box of a save or load (PrevStepState is the slot screen)
  ssStory = 4,           // the story; TextSubState tells what it is doing
  ssWindowHidden = 6,    // the scene without the message window
  ssGameMenu = 7,        // the in-game menu
  ssOptions = 8,         // the option screen is open
  ssEnding = 9,          // the ending screen is open
  ssSaveSlots = 10,      // the slots to save into
  ssLoadSlots = 11,      // the slots to load from, opened in the game
  ssContinueSlots = 13,  // the slots to load from, opened from the title menu
  ssLogo = 15,           // the logo shown at start-up
  ssHalted = 25,         // the story ended at a node with nothing to follow
};

// Sub-states of ssStory (TextSubState, PrevTextSubState).
enum TTextSubState : int32_t {
  tsTyping = 0,     // the line is revealed character by character
  tsWaitClick = 2,  // the line is complete; the click-wait mark blinks
  tsChoice = 5,     // the node has ended: its children are offered as a choice
};

// The errors ReportError shows. Only ecNodeNotFound lets the game go on; the others stop the
// start-up.
enum TErrorCode : int32_t {
  ecNodeNotFound = 1,  // the story or a loaded save names no node to go on with
  ecSystemPath = 2,    // the configuration could not be read
  ecScenarioFile = 3,  // the scenario file could not be read
  ecSaveFile = 4,      // the save files could not be created, read or written
};

// The screen transitions of FadeInScreen and FadeOutScreen. The kind also comes from the INI
// file (STARTFADEIN, STARTFADEOUT), where any other number means no transition.
enum TFadeKind : int32_t {
  fkNone = 0,           // no transition
  fkWhite = 1,          // from or to white through the fade patterns (#CHANGEFADE)
  fkBlack = 2,          // from or to black through the fade patterns
  fkSlitLeft = 3,       // the slits, from or to the left
  fkSlitRight = 4,      // the slits, from or to the right
  fkWhiteContrast = 5,  // from or to white by contrast
  fkBlackContrast = 6,  // from or to black by contrast
  fkWhiteRGB = 7,       // from or to white by colour offset
  fkBlackRGB = 8,       // from or to black by colour offset
};

// Fixed buffer sizes of the game state.
constexpr size_t kPathBytes = 256;          // folder and file paths, INI values
constexpr size_t kLineBytes = 256;          // a script line as the step machine runs it
constexpr size_t kTextBytes = 256;          // NodeTitle, SelectText entries, ConfirmText
constexpr size_t kSpeakerBytes = 32;        // SpeakerName
constexpr size_t kCommandTextBytes = 1024;  // the buffer of ExecuteCommandText

// The play area: the main form's client area, and the size of every sub-form over it.
constexpr int32_t kPlayWidth = 640;
constexpr int32_t kPlayHeight = 480;

// The brightness change (RGBScreen) that darkens the scene behind a menu screen and behind the
// name-entry screen.
constexpr int kMenuDarken = -60;

// Number of save slots and of MenuRects entries.
constexpr int kSlotCount = 5;
constexpr int kMenuRectCount = 21;

class TMainFrm : public TForm {
 public:
  // ==== owned objects ==========================================================================
  TSplPaint* splPaintView = nullptr;    // the play area, (0, 0) 640 x 480, created first
  TNodeTree TreeViewSinario;            // the scenario nodes
  TMediaPlayer* MediaPlayer = nullptr;  // background music; notices come to Dispatch
  // The scenario file is read scrambled unless the engine is built to read plain files.
  static constexpr bool chkbTestCrypt = kScenarioScrambled;

  // Child forms over the play area; created by the constructor once the configuration, the
  // scenario and the save files are read, and null when start-up stopped before that.
  TfrmOption* frmOption = nullptr;
  TfrmEnding* frmEnding = nullptr;
  TfrmInput* frmInput = nullptr;

  // The menu bar.
  TMenuItem* mnFile = nullptr;      // "ファイル(&F)"
  TMenuItem* mnfGoTitle = nullptr;  // "タイトル画面に戻る(&T)"
  TMenuItem* mnfExit = nullptr;     // "ゲームを終了(&E)"
  TMenuItem* mnDisp = nullptr;      // "画面(&G)"
  TMenuItem* mnd640_480 = nullptr;  // "ウィンドウモード(&W)", checked at start
  TMenuItem* mndFull = nullptr;     // "フルスクリーンモード(&F)"
  // The player's window scale and filtering, below a separator after the game's two items.
  TMenuItem* mndScale1 = nullptr;    // "等倍(&1)"
  TMenuItem* mndScale2 = nullptr;    // "2倍(&2)"
  TMenuItem* mndScale3 = nullptr;    // "3倍(&3)"
  TMenuItem* mndScaleFit = nullptr;  // "画面に合わせる(&A)"
  TMenuItem* mndSmooth = nullptr;    // "なめらかに拡大(&S)"

  // String lists and menu fonts; created by the constructor after the child forms, and null when
  // start-up stopped before them.
  TStringList* NodeLines = nullptr;  // the lines of the current node
  TStringList* Backlog = nullptr;    // message lines shown so far
  TFont* MenuFont = nullptr;         // copy of the play area's font, white
  TFont* MenuHotFont = nullptr;      // the same in yellow $00FFFF, for the hovered item

  // ==== stored records =========================================================================
  TSaveData SaveData{};               // the saveable position of the current play
  TReadFlagsData ReadFlags{};         // read marks, play counter and options of the installation
  TSaveData SlotCache[kSlotCount]{};  // mirror of the slot files for the slot screens (0 = slot 1)
  // ReadFlags holds what was read from the read-flags file. Until then (a start-up that failed
  // earlier) the file on disk is never overwritten with the zeroed record.
  bool readFlagsLoaded = false;
  // Set while the destructor runs: a WM_RUNGAME still queued then does not start the game.
  bool destroying = false;

  // ==== configuration and window ===============================================================
  char ProgramDir[kPathBytes] = {};  // folder of the game, ending in a backslash
  char SaveDir[kPathBytes] = {};     // folder of the save files, ending in a backslash
  char IniPath[kPathBytes] = {};
  char GrpDir[kPathBytes] = {};  // picture, music and sound folders, each ending in "\\"
  char BgmDir[kPathBytes] = {};
  char WavDir[kPathBytes] = {};
  char LogoPath[kPathBytes] = {};
  char TitlePath[kPathBytes] = {};
  char ExtBmp[kPathBytes] = {};  // extensions without the dot
  char ExtJpg[kPathBytes] = {};
  char EncodeBmp[kPathBytes] = {};  // read from the file, of no further use
  char EncodeJpg[kPathBytes] = {};
  uint32_t DesktopWidth = 0, DesktopHeight = 0, DesktopBits = 0;  // display at start-up
  uint8_t FullScreen = 0;     // the program has switched to full screen
  uint8_t HasTextFrame = 0;   // a message-window frame sprite was loaded
  uint8_t StartupFailed = 0;  // a start-up error was reported

  // ==== sound devices ==========================================================================
  uint32_t MidiDeviceId = 0, WaveDeviceId = 0;
  uint32_t MidiDefaultVolume = 0, WaveDefaultVolume = 0;

  // ==== fixed rectangles =======================================================================
  TRect TextWindowRect{};   // (16, 348, 626, 468) darkened behind the text
  TRect TextRefreshRect{};  // (14, 346, 628, 470) copied to the screen after text output
  TRect TextDrawRect{};     // (24, 356, 624, 462) the text is drawn in it
  TRect ClickMarkRect{};    // (592, 438, 616, 462) the blinking click-wait mark
  TRect BacklogUpRect{};    // (580, 322, 600, 342) "▲"
  TRect BacklogDownRect{};  // (600, 322, 620, 342) "▼"
  // 0-3 choice lines, 4-9 in-game menu, 10-14 slots 1-5, 15 confirmation box, 16 yes, 17 no,
  // 18-20 title menu.
  TRect MenuRects[kMenuRectCount]{};

  // ==== step machine, text display and interpreter =============================================
  // StepState and PrevStepState hold a TStepState, TextSubState and PrevTextSubState a
  // TTextSubState. They stay int32_t: code outside the step machine sets and records them as
  // plain numbers (the test drivers' tables of states, the probes that note the state they
  // see), and a number that is no state must be kept as it is (the step's frames then do
  // nothing).
  int32_t StepState = ssStopped, PrevStepState = ssStopped;
  int32_t TextSubState = tsTyping, PrevTextSubState = tsTyping;
  uint8_t StepBusy = 0;      // a step frame is being worked (re-entry guard)
  uint8_t NeedNextLine = 0;  // the next line must be fetched and interpreted
  uint8_t LeftButtonDown = 0, ClickPending = 0;
  uint8_t FadeDone = 0;  // a transition has finished or was cut short
  uint32_t BlinkTime = 0, FrameTime = 0, LastFrameTime = 0;

  int32_t NodeIndex = 0;      // current node, absolute index in TreeViewSinario
  int32_t LineIndex = 0;      // index of the next line of the current node
  int32_t NodeLineCount = 0;  // LineIndex when the current node was read to its end
  int32_t LoopStartLine = 0, LoopCount = 0;

  int32_t BacklogPos = 0;        // position in Backlog; -1 shows the live text
  uint32_t TextPos = 0;          // bytes of the current line revealed
  uint32_t TextWaitMs = 0;       // extra wait per reveal step (#TEXTWAIT)
  uint8_t ShowLineAtOnce = 0;    // the next line is shown whole (#TEXTDISPLINE)
  uint8_t ClickMarkShown = 0;    // blink phase of the click-wait mark
  uint8_t EventMode = 0;         // #EVENTON: no message window background
  int16_t TextBackContrast = 0;  // brightness percentage behind the message window

  char SelectText[5][kTextBytes] = {};   // 0 the question, 1-3 the answers, 4 unused
  char NodeTitle[kTextBytes] = {};       // #NODETITLE: replaces the node title in a save
  char SpeakerName[kSpeakerBytes] = {};  // #CHARNAME
  char ConfirmText[kTextBytes] = {};     // prompt of the save/load confirmation
  int16_t SelectedSlot = 0;              // slot 1-5 chosen on a slot screen

  // ==== shell/main_form.cpp: start-up, window and close protocol =================================
  // Builds the form: see the construction order in main_form.cpp. Start-up errors are reported
  // and stop the construction; FormCreate then ends the program.
  TMainFrm();
  ~TMainFrm() override;

  // The form's creation event, run right after the constructor.
  void FormCreate();
  // WM_RUNGAME to RunGameLoop, WM_MOVE to KeepSubFormsAtOrigin, the music player's notices to
  // MediaPlayerNotify, everything else to the inherited dispatch.
  void Dispatch(TMessage& msg) override;
  void KeepSubFormsAtOrigin();
  // The one error reporter: shows the message of a TErrorCode; any other number shows nothing.
  void ReportError(int code);
  // The program's own exit command: writes the read-flags file, then asks the window to close.
  void QuitGame();
  bool ConfirmClose();
  void FormCloseQuery(TForm* Sender, bool& CanClose);
  // Set once the player confirmed closing: the close is being completed, and further presses of
  // the close button meanwhile are ignored rather than asked about again.
  bool CloseConfirmed = false;
  void CloseQuery(bool& canClose) override { FormCloseQuery(this, canClose); }
  bool SetDisplayMode(uint32_t width, uint32_t height, uint32_t bits);
  // A game folder dropped on the window: the game ends through its close confirmation and the
  // program entry then starts the dropped game (DroppedGame, a native path). Anything else
  // dropped is ignored.
  void FileDropped(const std::string& utf8Path) override;
  std::string DroppedGame;
  bool SetWindowMode(int32_t width, int32_t height);

  // Menu handlers.
  void mnfGoTitleClick();
  void mnfExitClick();
  void mnd640_480Click();
  void mndFullClick();

  // Play-area events. The play area covers the whole client area, so the form's own events
  // are the play area's.
  void splPaintViewPaint();
  void splPaintViewMouseMove(TForm* Sender, TShiftState Shift, int32_t X, int32_t Y);
  void Paint() override { splPaintViewPaint(); }
  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override {
    splPaintViewMouseDown(this, button, shift, x, y);
  }
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override {
    splPaintViewMouseMove(this, shift, x, y);
  }
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override {
    splPaintViewMouseUp(this, button, shift, x, y);
  }

  // ==== shell/config.cpp: configuration ==========================================================
  // Reads the INI file; always true.
  bool LoadConfig();
  // Reads an integer key of section "GRP" now (the start transitions are read when used).
  int32_t readGrpInt(const char* key, int32_t def);
  // Loads the message-window frame sprite from "FRAMEGRP" at "FRAMEPOS"; the constructor's last
  // work.
  void loadTextFrame();

  // ==== shell/scenario_load.cpp: scenario file ===================================================
  // Reads "mscs.ssf" from ProgramDir into TreeViewSinario; false when it cannot be read.
  bool LoadScenario();

  // ==== shell/save_files.cpp: game state and save files ==========================================
  bool InitSaveFiles();
  bool SaveSlot(int slot);
  bool LoadSlot(int slot, bool redraw);
  // The load itself, from a slot file's bytes: only one whole record whose node is in the
  // scenario is taken; anything else leaves the game as it was.
  bool LoadSlotRecord(const uint8_t* data, size_t size, bool redraw);
  void ReadSlotHeaders();
  // Takes a read-flags file's bytes over ReadFlags: what fits, a short file leaving the rest.
  void TakeReadFlags(const uint8_t* data, size_t size);
  bool MarkNodeRead();
  bool IsNodeRead(int node);
  void WriteReadFlags();
  // Flags 0-1023 of SaveData; other numbers are ignored (tests answer false).
  void setFlag(int n);
  void toggleFlag(int n);
  bool testFlag(int n);
  // Engine paths of slot file 1-5 and of the read-flags file. A path that does not fit gives
  // false and an empty out (which names no file), never a cut name of another file.
  bool slotPath(int slot, char* out, size_t size) const;
  bool readFlagsPath(char* out, size_t size) const;

  // ==== shell/game_step.cpp: game step machine ===================================================
  // The reaction to WM_RUNGAME: runs the game until the step state is ssStopped.
  void RunGameLoop();
  // Works frames of the current state until it asks to return; stop asks RunGameLoop to end.
  void GameStep(bool& stop);
  // Draws menu screen kind and takes the click pending on it: the item under the mouse (0 for
  // none). Without a pending click the screen is shown and nothing is returned.
  std::optional<int> takeMenuClick(int kind);
  // Moves from state from to the menu screen to and shows it over the darkened scene.
  void openMenuScreen(int32_t from, int32_t to);
  // The work of one frame in each state: true means "return from GameStep", false "next
  // frame". stop is GameStep's out flag.
  bool stepLogo(bool& stop);
  bool stepTitle(bool& stop);
  bool stepTitleMenu(bool& stop);
  bool stepSlots(bool& stop);  // ssSaveSlots, ssLoadSlots, ssContinueSlots
  bool stepConfirm(bool& stop);
  bool stepStory(const char* line, bool& stop);  // by TextSubState; line is the fetched line
  bool stepChoice(bool& stop);
  bool stepWindowHidden(bool& stop);
  bool stepGameMenu(bool& stop);
  bool stepOptions(bool& stop);
  bool stepEnding(bool& stop);
  bool stepHalted(bool& stop);
  // True while the option, ending or name-entry screen is shown.
  bool subFormVisible() const;
  // GameStep returned without working a frame (a sub-screen is open, a picture is loading):
  // RunGameLoop then waits for input instead of spinning.
  uint8_t stepIdle = 0;
  // The halted state has written the read mark of its node.
  uint8_t haltedMarked = 0;

  // ==== shell/go_title.cpp: back to the title, the step cursor and the current node ==============
  // Abandons the game and shows the title picture.
  void GoTitle();
  // The node whose absolute index is NodeIndex; null when there is none.
  TScenarioNode* CurrentNode();
  // Clears SelectText entries 1-4 and NodeTitle (the question, entry 0, stays).
  void ClearChoiceTexts();
  // Clears LeftButtonDown, NeedNextLine and StepBusy and sets TextPos, LineIndex and
  // NodeLineCount to 0: the part of a restart that every caller shares.
  void resetStepCursor();

  // ==== shell/message_window.cpp: message window and text display ================================
  void DrawTextWindow();
  // Draws text with an optional speaker name into BkGnd; a null font means the play area's.
  void DrawMessage(const char* text, const char* name, TFont* font);
  // 1 when the mouse is over "▲", 2 over "▼", else 0.
  int DrawBacklogButtons();
  int MoveBacklogPos(int hit, int position);
  // tsTyping: reveals one more character of line; true when the line is complete.
  bool stepTyping(const char* line);
  // tsWaitClick: blinks the click mark or advances; true means "return from GameStep".
  bool stepWaitClick();
  // Shows backlog entry position in the backlog colours.
  void showBacklogEntry(int position);
  // When the last revealed character of the line was due (the reveal's pace keeper).
  uint32_t revealDue = 0;

  // ==== shell/menus.cpp: menus and slot screens ==================================================
  // Draws the menu screen of step state kind into BkGnd (ssTitleMenu, ssConfirm, ssStory for the
  // choice, ssGameMenu and the three slot screens) and returns the 1-based item under the mouse,
  // 0 for none or for any other kind.
  int DrawMenu(int kind);
  // What the last DrawMenu drew (a description of every text and outline) and the generation
  // of BkGnd right after it; settled once drawing the same again was seen to change no pixel.
  struct MenuMemo {
    std::string drawn;
    uint64_t generation = 0;
    bool settled = false;
    // BkGnd before the last repeat was drawn; kept between frames so that the copy reuses its
    // storage, and let go once the menu has settled.
    TBitmap before;
  } menuMemo;
  // The mouse position in client coordinates; false when it cannot be read.
  bool mouseInClient(TPoint* p);

  // ==== shell/input.cpp: player input ============================================================
  void splPaintViewMouseDown(TForm* Sender, TMouseButton Button, TShiftState Shift, int32_t X,
                             int32_t Y);
  void splPaintViewMouseUp(TForm* Sender, TMouseButton Button, TShiftState Shift, int32_t X,
                           int32_t Y);
  // Waits while StepBusy is set: at most 1000 passes of Sleep(0) and message processing.
  void waitForStep();
  // A click moves the game from state from to state to: sets both states, waits for the step
  // frame in progress and redraws the clean scene into BkGnd (the caller shows it).
  void clickToState(int32_t from, int32_t to);
  // A key on the main form (beyond the mouse the game is played with): the display keys, then
  // the modes' keys, then the keys that stand for clicks and pointer moves.
  void KeyDown(int key, TShiftState shift) override;

  // ==== shell/keys.cpp: keyboard, wheel and gamepad as clicks and pointer moves =================
  // Enter and Space are a left click at the pointer, Escape and Backspace a right click, the
  // arrows move the pointer onto the next item of the screen shown, Page Up and Page Down press
  // the backlog's buttons. True when the key was taken.
  bool playerKey(int key, TShiftState shift);
  // The wheel: up presses "▲", down "▼" (at the live line a left click).
  void MouseWheel(int delta, TShiftState shift, int32_t x, int32_t y) override;
  // A click of the backlog button hit (1 "▲", 2 "▼") where the story shows the buttons; false
  // when it shows none.
  bool pressBacklogButton(int hit);
  // Moves the pointer to the item next to the hovered one in the arrow key's direction on the
  // menu screen or choice shown; false when no such screen is shown.
  bool moveToNextItem(int key);
  // The item an arrow key moves to among count item rectangles from item current (-1: none):
  // the nearest one ahead in the key's direction, else the next one in order (Down and Right)
  // or the previous one (Up and Left), round the ends. -1 when there are no items.
  static int arrowTarget(const TRect* items, int count, int current, int key);

  // ==== shell/display.cpp: window scale, filtering and full screen ==============================
  // True when the key was taken: Ctrl+1, Ctrl+2, Ctrl+3 choose the window scale; Alt+Enter and
  // F11 switch between the game's window and full-screen modes as its own menu items do.
  bool displayKey(int key, TShiftState shift);
  // Adds the scale and filtering items to the display menu (the constructor calls it).
  void addDisplayItems();
  // Applies the player's settings at start-up: the window scale and filtering, then full
  // screen when asked for. The program entry calls it before showing the form.
  void ApplyPlayerDisplay();
  // A scale chosen by the player (0: fit the work area), and the filtering switched: applied
  // and stored in the player's settings.
  void chooseWindowScale(int scale);
  void switchSmoothScaling();
  // Check marks of the scale and filtering items from the settings in effect.
  void checkDisplayItems();

  // ==== shell/play_modes.cpp: skip and auto modes, screenshots, the text hook ===================
  // True when the key was taken: Ctrl+S skip mode, Ctrl+A auto mode, F12 a screenshot.
  bool modeKey(int key, TShiftState shift);
  // After every step frame and every pass of the game loop: switches both modes off outside
  // the story's reveal and click wait, starts the auto pause when a click wait begins, and puts
  // the game's caption back once a screenshot's name has been shown long enough.
  void playModesFrame();
  // A line was fetched for the message window (after the names were substituted; empty for a
  // blank click wait): the text hook and the auto pause's character count.
  void lineFetched(const char* line);
  // stepTyping: true when skip mode shows the line whole.
  bool skipShowsLine();
  // stepWaitClick: true when skip or auto mode advanced to the next line (as a click would).
  bool modeAdvances();
  // Sets both modes and the mark on the menu bar.
  void setPlayModes(bool skip, bool autoAdvance);
  // True in the story's reveal or click wait with no sub-screen open: where the modes run.
  bool modesMayRun() const;
  // Writes the play area as a PNG into the screenshot folder and shows its name (or the
  // failure) in the caption; false when nothing was written.
  bool saveScreenshot();
  uint8_t SkipMode = 0, AutoMode = 0;
  uint8_t autoArmed = 0;       // the auto pause of this click wait is running
  uint32_t autoSince = 0;      // when it started (timeGetTime)
  uint32_t lineChars = 0;      // characters of the line last fetched
  std::string gameCaption;     // the caption a screenshot's name stands in for
  uint8_t captionBorrowed = 0;
  uint32_t captionSince = 0;

  // ==== shell/checkpoints.cpp: where the game is, for the checkpoints of input scripts ========
  // The state names an input script's expect-state takes: stopped, logo, title, title-menu,
  // story (any of typing, click-wait and choice), typing, click-wait, choice, window-hidden,
  // game-menu, confirm, save-slots, load-slots, continue-slots, options, ending, name-entry
  // (the name entry open over the story), halted.
  static const std::vector<std::string>& CheckpointStateNames();
  // The most precise of those names for the state now ("state N" for a number that is none).
  std::string CheckpointState() const;
  // The line the message window shows (the last one fetched, names put in), in UTF-8; empty
  // when none is shown.
  std::string CheckpointText() const;
  // Whether the game is in state `name`, or shows line `utf8` (the speaker's name before it,
  // with or without its brackets, or not at all).
  bool InCheckpointState(const std::string& name) const;
  bool ShowsCheckpointText(const std::string& utf8) const;

  // ==== scenario/interpreter.cpp: command interpreter ============================================
  // The next line of the current node into buf (cleared to size first); false when NodeIndex
  // names no node.
  bool FetchNextLine(char* buf, size_t size);
  // True for a comment or a command that is done; false for an empty line, text, an
  // unrecognised "#" line and #GOTITLE.
  bool ExecuteCommand(const char* line);
  bool ExecuteCommandText(const char* text);
  int GetIntArg(const char* args, int k);
  void GetStrArg(const char* args, char* dest, size_t size, int k);
  // "$1".."$8" become CharNames entries 1-8.
  void ExpandNames(char* dest, size_t size, const char* src);
  // Loads the body of node into NodeLines (no body: no lines).
  void loadNodeLines(TScenarioNode* node);
  // Commands of the interpreter itself; args is the text after the command name.
  bool cmdTimeWait(const char* args);
  bool cmdTextWait(const char* args);
  bool cmdTextDispLine(const char* args);
  bool cmdSetCharName(const char* args);
  bool cmdCharName(const char* args);
  bool cmdWait(const char* args);
  bool cmdGoTitle(const char* args);  // false
  bool cmdNodeTitle(const char* args);
  bool cmdEventOn(const char* args);
  bool cmdEventOff(const char* args);
  bool cmdGoEnding(const char* args);

  // ==== scenario/conditions.cpp: flags and conditions ============================================
  // Moves LineIndex to the next line of the node that begins with "#ENDIF" (or to the end).
  void SkipToEndIf();
  bool cmdSetFlg(const char* args);
  bool cmdDelFlg(const char* args);
  bool cmdEndIf(const char* args);
  bool cmdIfWhitchFlg(const char* args);
  bool cmdIfFlg(const char* args);
  bool cmdIfNFlg(const char* args);
  bool cmdIfRead(const char* args);
  bool cmdIfNRead(const char* args);

  // ==== scenario/choices.cpp: choices, jumps and loops ===========================================
  // Absolute index of the first node whose title begins with title; -1 when none.
  int FindNodeByTitle(const char* title);
  bool cmdGotoNodeSelect(const char* args);
  bool cmdGotoNodeFirst(const char* args);
  bool cmdGoto(const char* args);
  bool cmdDoLoop(const char* args);
  bool cmdWhileCount(const char* args);
  bool cmdWhileClick(const char* args);
  bool cmdSelectString(const char* args);
  bool cmdSelectAnswer(const char* args);

  // ==== scenario/sound.cpp: sound devices, volume fades and the music player =====================
  bool FindMidiDevice();
  bool FindWaveDevice();
  bool MidiFadeOut(uint32_t volume, int seconds);
  bool WaveFadeOut(uint32_t volume, int seconds);
  bool MidiFadeIn(uint32_t volume, int seconds);
  bool WaveFadeIn(uint32_t volume, int seconds);
  // The music player's completion handler: a completed play starts again.
  void MediaPlayerNotify(TMediaPlayer* Sender);

  // ==== scenario/sound_commands.cpp: the music and sound commands ================================
  bool cmdBgmLoad(const char* args);
  bool cmdBgmNLoad(const char* args);
  bool cmdBgmPlay(const char* args);
  bool cmdBgmStop(const char* args);
  bool cmdBgmPauseOnly(const char* args);
  bool cmdBgmPause(const char* args);
  bool cmdBgmFadeOut(const char* args);
  bool cmdBgmFadeIn(const char* args);
  bool cmdBgmVolDef(const char* args);
  bool cmdWavePlaySound(const char* args);
  bool cmdWavePlayBgm(const char* args);
  bool cmdWaveStop(const char* args);
  bool cmdWaveFadeOut(const char* args);
  bool cmdWaveFadeIn(const char* args);
  bool cmdWaveVolDef(const char* args);

  // ==== scenario/replay.cpp: scene restoration ===================================================
  // Rebuilds the scene of the slot just read into SaveData; false (nothing changed) when
  // SaveNodeIndex names no node.
  bool ReplayScene(bool redraw);

  // ==== scenario/picture_fades.cpp: running a transition and the screen fades ====================
  // Runs the prepared transition to its end, one frame every 30 ms.
  void RunTransition();
  // The screen transitions by TFadeKind; other numbers (fkNone, or anything an INI file gives)
  // do nothing. The kind stays an int for those numbers. With fill, the working image ends in
  // the colour the picture faded to.
  void FadeInScreen(int kind);
  void FadeOutScreen(int kind, bool fill);

  // ==== scenario/picture_commands.cpp: picture and transition commands ===========================
  // Picture path GrpDir + name + "." + ext into out.
  void picturePath(char* out, size_t size, const char* name, const char* ext);
  bool cmdLoadSplite(const char* args);
  bool cmdLoadBkGrp(const char* args);
  bool cmdLoadBkJpg(const char* args);
  bool cmdDrawBkGrp(const char* args);
  bool cmdMoveSplite(const char* args);
  bool cmdDrawSplite(const char* args);
  bool cmdDrawAll(const char* args);
  bool cmdPatchSplite(const char* args);
  bool cmdPatchAllSplite(const char* args);
  bool cmdFillBlack(const char* args);
  bool cmdFillWhite(const char* args);
  bool cmdChangeFade(const char* args);
  bool cmdFadeInSplite(const char* args);
  bool cmdFadeOutSplite(const char* args);
  bool cmdFadeToSplite(const char* args);
  // The screen fades: kind is the TFadeKind of the variant (black: fkBlack, fkBlackContrast for
  // CONTRAST, fkBlackRGB for RGB; white: fkWhite, fkWhiteContrast, fkWhiteRGB).
  bool cmdFadeInBlack(const char* args, int kind);
  bool cmdFadeInWhite(const char* args, int kind);
  bool cmdFadeOutBlack(const char* args, int kind);
  bool cmdFadeOutWhite(const char* args, int kind);
  // The slits: kind fkSlitLeft from/to the left, fkSlitRight from/to the right.
  bool cmdSlitIn(const char* args, int kind);
  bool cmdSlitOut(const char* args, int kind);
  bool cmdTilt(const char* args);
  bool cmdQuake(const char* args);
};

// The main form, set from the moment its construction begins.
extern TMainFrm* MainFrm;

// Builds the main form and runs its creation event, as the application does for its main form.
TMainFrm* CreateMainForm();
