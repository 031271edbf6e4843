// The main form: construction order, creation event, message dispatch, the menu with its two
// display modes, the error reporter and the close protocol.
#include "shell/main_form.h"

#include <cstdio>
#include <cstring>

#include "paint/splpaint.h"
#include "platform/audio/audio.h"
#include "platform/text/cp932.h"
#include "scenario/message_layout.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "shell/game_folder.h"

TMainFrm* MainFrm = nullptr;

TMainFrm* CreateMainForm() {
  TMainFrm* form = new TMainFrm();
  form->FormCreate();
  return form;
}

TMainFrm::TMainFrm() : TForm(nullptr) {
  MainFrm = this;
  if (Application && !Application->MainForm) Application->MainForm = this;

  // The designed components: the play area, the music player and the menu. The window is
  // centred on the desktop with a single border.
  SetBorderStyle(bsSingle);
  splPaintView = new TSplPaint(this);
  MediaPlayer = new TMediaPlayer(this);
  TMainMenu* menu = CreateMenu();
  mnFile = menu->Add(SJ("ファイル(&F)"));
  mnfGoTitle = mnFile->Add(SJ("タイトル画面に戻る(&T)"), [this] { mnfGoTitleClick(); });
  mnfExit = mnFile->Add(SJ("ゲームを終了(&E)"), [this] { mnfExitClick(); });
  mnDisp = menu->Add(SJ("画面(&G)"));
  mnd640_480 = mnDisp->Add(SJ("ウィンドウモード(&W)"), [this] { mnd640_480Click(); });
  mndFull = mnDisp->Add(SJ("フルスクリーンモード(&F)"), [this] { mndFullClick(); });
  mnd640_480->Checked = true;
  addDisplayItems();

  // No event mode and no start-up error yet; the client area is the play area.
  EventMode = 0;
  StartupFailed = 0;
  SetClientSize(kPlayWidth, kPlayHeight);
  CenterOnScreen();

  // The display as found at start-up. The desktop's own mode is never changed (full screen
  // scales the play area onto the desktop), so these values only describe what to go back to.
  DesktopWidth = static_cast<uint32_t>(ScreenWidth());
  DesktopHeight = static_cast<uint32_t>(ScreenHeight());
  DesktopBits = static_cast<uint32_t>(ScreenBitsPerPixel());
  if (DesktopBits == 0) DesktopBits = 16;
  FullScreen = 0;

  // Empty records and a fresh step cursor.
  std::memset(&ReadFlags, 0, sizeof ReadFlags);
  std::memset(&SaveData, 0, sizeof SaveData);
  LastFrameTime = 0;
  FrameTime = 0;
  resetStepCursor();

  // The configuration, the scenario and the save files. The first failure is reported and ends
  // the construction here: everything made below stays null.
  if (!LoadConfig()) {
    ReportError(ecSystemPath);
    return;
  }
  if (!LoadScenario()) {
    ReportError(ecScenarioFile);
    return;
  }
  if (!InitSaveFiles()) {
    ReportError(ecSaveFile);
    return;
  }

  // The sound devices.
  FindMidiDevice();
  FindWaveDevice();

  // The fixed rectangles of the message window and the menus.
  TextWindowRect = Rect(16, 348, 626, 468);
  TextRefreshRect = Rect(14, 346, 628, 470);
  TextDrawRect = kTextDrawRect;
  ClickMarkRect = Rect(592, 438, 616, 462);
  BacklogUpRect = Rect(580, 322, 600, 342);
  BacklogDownRect = Rect(600, 322, 620, 342);
  static constexpr TRect kMenuRects[kMenuRectCount] = {
      // choice lines
      Rect(16, 348, 624, 376),
      Rect(16, 376, 624, 404),
      Rect(16, 404, 624, 432),
      Rect(16, 432, 624, 460),
      // in-game menu
      Rect(180, 40, 460, 66),
      Rect(180, 110, 460, 134),
      Rect(180, 180, 460, 204),
      Rect(180, 250, 460, 274),
      Rect(180, 320, 460, 344),
      Rect(180, 390, 460, 414),
      // slots 1-5
      Rect(2, 2, 638, 95),
      Rect(2, 97, 638, 191),
      Rect(2, 193, 638, 287),
      Rect(2, 289, 638, 383),
      Rect(2, 385, 638, 479),
      // confirmation box, yes, no
      Rect(120, 150, 520, 244),
      Rect(220, 290, 300, 314),
      Rect(340, 290, 460, 314),
      // title menu
      Rect(180, 250, 460, 274),
      Rect(180, 320, 460, 344),
      Rect(180, 390, 460, 414),
  };
  for (int i = 0; i < kMenuRectCount; ++i) MenuRects[i] = kMenuRects[i];

  // The sub-forms, children of the main form over its play area.
  frmOption = new TfrmOption(this);
  frmEnding = new TfrmEnding(this);
  frmInput = new TfrmInput(this);

  // No choice texts, no speaker, no extra text wait.
  for (auto& text : SelectText) text[0] = 0;
  SpeakerName[0] = 0;
  TextWaitMs = 0;
  ShowLineAtOnce = 0;

  // The lines of the current node and the backlog.
  NodeLines = new TStringList();
  Backlog = new TStringList();

  // The menu fonts: copies of the play area's font, the hovered item's in yellow.
  MenuFont = new TFont(splPaintView->Font);
  MenuHotFont = new TFont(splPaintView->Font);
  MenuHotFont->Color = clYellow;

  // The message-window frame sprite, which needs the configuration and the play area.
  loadTextFrame();
}

TMainFrm::~TMainFrm() {
  destroying = true;
  if (Application) Application->ProcessMessages();
  Sleep(1);
  delete NodeLines;
  NodeLines = nullptr;
  delete Backlog;
  Backlog = nullptr;
  for (int i = TreeViewSinario.Count() - 1; i >= 0; --i) {
    if (TScenarioNode* node = TreeViewSinario.Item(i)) node->ClearBody();
  }
  delete MenuFont;
  MenuFont = nullptr;
  delete MenuHotFont;
  MenuHotFont = nullptr;
  delete frmOption;
  frmOption = nullptr;
  delete frmEnding;
  frmEnding = nullptr;
  delete frmInput;
  frmInput = nullptr;
  delete MediaPlayer;
  MediaPlayer = nullptr;
  delete splPaintView;
  splPaintView = nullptr;
  if (Application && Application->MainForm == this) Application->MainForm = nullptr;
  if (MainFrm == this) MainFrm = nullptr;
}

void TMainFrm::FormCreate() {
  if (StartupFailed) {
    QuitGame();
    return;
  }
  uint8_t level = ReadFlags.Options.TextBackLevel;
  TextBackContrast = (level >= 1 && level <= 149) ? level : 60;
  if (Application) Application->PostMessage(this, WM_RUNGAME, 0, 0);
}

void TMainFrm::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case WM_RUNGAME:
      if (!destroying) RunGameLoop();
      return;
    case WM_MOVE:
      KeepSubFormsAtOrigin();
      return;
    case MM_MCINOTIFY:
      if (MediaPlayer && MediaPlayer->HandleNotify(msg)) MediaPlayerNotify(MediaPlayer);
      return;
    default:
      TForm::Dispatch(msg);
  }
}

void TMainFrm::KeepSubFormsAtOrigin() {
  TForm* forms[] = {frmOption, frmEnding, frmInput};
  for (TForm* f : forms) {
    if (f && f->Visible()) {
      f->Top = 0;
      f->Left = 0;
    }
  }
}

void TMainFrm::ReportError(int code) {
  const char* format = nullptr;
  switch (code) {
    case ecNodeNotFound:
      format = SJ("ノードが見つかりません<Error %0d>");
      break;
    case ecSystemPath:
      format = SJ("システムパスが見つかりません<Error %0d>");
      break;
    case ecScenarioFile:
      format = SJ("シナリオファイルの読み込みに失敗しました<Error %0d>");
      break;
    case ecSaveFile:
      format = SJ("セーブファイルエラー<Error %0d>");
      break;
    default:
      return;  // only the four codes above are raised
  }
  StartupFailed = 1;
  char text[kTextBytes];
  std::snprintf(text, sizeof text, format, code);
  MessageBoxA(this, text, SJ("エラーがありました"), MB_OK);
  if (code == ecNodeNotFound) StartupFailed = 0;
  if (Application) Application->ProcessMessages();
  Sleep(1);
}

void TMainFrm::QuitGame() {
  WriteReadFlags();
  if (Application) {
    Application->PostMessage(this, WM_CLOSE, 0, 0);
    Application->ProcessMessages();
  }
}

bool TMainFrm::ConfirmClose() {
  if (frmOption && frmOption->Visible()) frmOption->Hide();
  for (int i = 0; i < 1000 && StepBusy; ++i) Sleep(0);
  // A termination signal (the session ending, a kill) is not asked about: the game ends as
  // after a confirmed close.
  if (!TerminationRequested()) {
    int answer = MessageBoxA(this, SJ("本当に終了してよろしいですか？"), SJ("終了？"),
                             MB_OKCANCEL | MB_ICONQUESTION | MB_SYSTEMMODAL);
    if (answer != IDOK) return false;
  }
  if (frmInput && frmInput->Visible()) frmInput->Hide();
  if (frmEnding && frmEnding->Visible()) {
    if (splPaintView) splPaintView->FillBkBlack(true);
    frmEnding->Hide();
  }
  return true;
}

void TMainFrm::FileDropped(const std::string& utf8Path) {
  if (!IsGameFolder(utf8Path)) return;
  DroppedGame = utf8Path;
  if (Application) Application->PostMessage(this, WM_CLOSE, 0, 0);
}

void TMainFrm::FormCloseQuery(TForm* Sender, bool& CanClose) {
  if (CloseConfirmed) {
    CanClose = false;
    return;
  }
  uint32_t bits = static_cast<uint32_t>(ScreenBitsPerPixel());
  if (!ConfirmClose()) {
    // A game dropped on the window is not started when the player keeps this one.
    DroppedGame.clear();
    CanClose = false;
    return;
  }
  CloseConfirmed = true;
  // Leaving for another game, and a termination signal (the desktop session ending), are ends
  // of the program as its own exit commands are: the read marks and options are kept.
  if (!DroppedGame.empty() || TerminationRequested()) WriteReadFlags();
  if (FullScreen) {
    if (static_cast<uint32_t>(ScreenWidth()) != DesktopWidth ||
        static_cast<uint32_t>(ScreenHeight()) != DesktopHeight || bits != DesktopBits) {
      SetDisplayMode(DesktopWidth, DesktopHeight, DesktopBits);
    }
    // The full-screen window itself is left before the window closes.
    if (IsFullScreenDisplay()) SetFullScreenDisplay(false);
  }
  if (Application) Application->ProcessMessages();
  CanClose = true;
  if (frmEnding) {
    frmEnding->AbortRoll = true;
    Sleep(50);
    if (Application) Application->ProcessMessages();
    frmEnding->Hide();
  }
  StepState = ssStopped;
}

// The display never changes its mode: a request for the play area's size is served by the
// layer's full-screen window (the picture scaled onto the desktop), and a request for the
// desktop's own size leaves it. Any other size is not offered.
bool TMainFrm::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bits) {
  if (bits != 16 && bits != 24 && bits != 32) return false;
  if (width == static_cast<uint32_t>(kPlayWidth) && height == static_cast<uint32_t>(kPlayHeight))
    return SetFullScreenDisplay(true);
  if (width == DesktopWidth && height == DesktopHeight) return SetFullScreenDisplay(false);
  return false;
}

bool TMainFrm::SetWindowMode(int32_t width, int32_t height) {
  if (ScreenWidth() != static_cast<int32_t>(DesktopWidth)) {
    if (!SetDisplayMode(DesktopWidth, DesktopHeight, 24) &&
        !SetDisplayMode(DesktopWidth, DesktopHeight, 32) &&
        !SetDisplayMode(DesktopWidth, DesktopHeight, 16))
      return false;
  }
  if (IsFullScreenDisplay() && !SetFullScreenDisplay(false)) return false;
  SetBorderStyle(bsSingle);
  SetClientSize(width, height);
  CenterOnScreen();
  if (splPaintView) {
    splPaintView->Width = width;
    splPaintView->Height = height;
  }
  FullScreen = 0;
  Present();
  return true;
}

void TMainFrm::mnfGoTitleClick() {
  if (StepState == ssTitle || StepState == ssTitleMenu) return;
  if (splPaintView && splPaintView->GetFadeing()) return;
  SpeakerName[0] = 0;
  int answer = MessageBoxA(this, SJ("ゲームを中断しタイトル画面に戻りますか？"), SJ("確認"),
                           MB_YESNO | MB_ICONQUESTION);
  if (answer == IDYES) GoTitle();
}

void TMainFrm::mnfExitClick() { QuitGame(); }

void TMainFrm::mnd640_480Click() {
  if (SetWindowMode(kPlayWidth, kPlayHeight)) {
    mnd640_480->Checked = true;
    mndFull->Checked = false;
  }
}

void TMainFrm::mndFullClick() {
  if (!SetDisplayMode(kPlayWidth, kPlayHeight, 24) &&
      !SetDisplayMode(kPlayWidth, kPlayHeight, 32) && !SetDisplayMode(kPlayWidth, kPlayHeight, 16))
    return;
  mndFull->Checked = true;
  mnd640_480->Checked = false;
  SetBorderStyle(bsNone);
  SetClientSize(kPlayWidth, kPlayHeight);
  Left = 0;
  // The menu bar lies above the top edge of the screen, so the play area fills the screen.
  Top = ClientHeight() - Height();
  FullScreen = 1;
  Present();
}

void TMainFrm::splPaintViewPaint() {
  if (splPaintView) splPaintView->DrawToScreen(true);
}

void TMainFrm::splPaintViewMouseMove(TForm* Sender, TShiftState Shift, int32_t X, int32_t Y) {
  if (!FullScreen) return;
  int32_t bar = Height() - ClientHeight();
  int32_t top = (Y >= 0 && Y < bar) ? 0 : ClientHeight() - Height();
  if (top != Top) {
    Top = top;
    Present();
  }
}
