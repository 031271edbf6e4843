// State shared by the files of the application layer (app.cpp, forms.cpp, compose.cpp,
// menu.cpp, msgbox.cpp), and what the compositor tells the SDL backend about the pictures it
// hands over. Not for use outside src/platform.
#pragma once
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows/app.h"
#include "platform/backend/backend.h"
#include "platform/text/text.h"

// Colours of the window furniture (a classic grey desktop theme).
constexpr TColor kFaceColor = RGB(212, 208, 200);
constexpr TColor kLightColor = RGB(255, 255, 255);
constexpr TColor kShadowColor = RGB(128, 128, 128);
constexpr TColor kDarkColor = RGB(64, 64, 64);
constexpr TColor kHighlightColor = RGB(10, 36, 106);
constexpr TColor kHighlightTextColor = RGB(255, 255, 255);
constexpr TColor kGrayTextColor = RGB(128, 128, 128);

struct MessageBoxState;

struct TApplication::Impl {
  struct Posted {
    TForm* form;
    TMessage msg;
  };
  std::deque<Posted> posted;
  std::deque<BackendEvent> events;  // taken from the backend by WaitForEvents, not yet dispatched
  std::mutex threadMutex;
  std::deque<Posted> fromThreads;
};

struct MenuState {
  int open = -1;          // index of the open drop-down, -1 none
  int highlight = -1;     // highlighted item in it, -1 none
  bool altAlone = false;  // Alt went down with no other key yet (Alt released alone opens the bar)
  bool ownsPress = false; // the menu took the last button press, so it takes its release too
};

// The window-level state of the layer: one per process, like the window system it replaces.
struct Gui {
  static Gui& Get();

  std::vector<TForm*> forms;  // every live form
  std::vector<TControl*> controls;  // every live control
  // The control that took a left press: it gets the mouse until the release (controls.h).
  TControl* grab = nullptr;
  bool invalidPending = false;  // a form asked for a repaint (TForm::Invalidate)
  uint64_t showCounter = 0;
  TForm* capture = nullptr;
  TForm* textInputForm = nullptr;
  bool fullScreen = false;
  bool repaintPending = false;
  bool terminating = false;  // a termination signal came: see TerminationRequested
  MenuState menu;
  std::vector<MessageBoxState*> boxes;  // open boxes, innermost last

  // What the backend last got, so that only changes are passed on.
  bool windowShown = false;
  bool syncValid = false;
  std::string syncedTitle;
  TPoint syncedPos{INT_MIN, INT_MIN};

  // HoldCursorPos: the screen point GetCursorPos reports while heldWhile() holds, and the form
  // whose end ends the hold.
  TPoint heldCursor{};
  TForm* heldOwner = nullptr;
  std::function<bool()> heldWhile;
  bool syncedBordered = true;

  // The backend shows what the last Present composed, with this full-screen state and offset;
  // PresentIfChanged relies on it.
  bool presentedValid = false;
  bool presentedFull = false;
  int32_t presentedOffset = 0;

  TBitmap picture;  // the composed window picture
  TBitmap view;     // the part shown in full screen

  // One form canvas in the window picture: the form and its show count (a form shown again, or
  // another form at the same address, counts as a new canvas), its client origin and the part
  // of the picture it covers, and its canvas's generation when it was drawn.
  struct ComposedCanvas {
    const TForm* form = nullptr;
    uint64_t shown = 0;
    TPoint origin;
    TRect rect;
    uint64_t generation = 0;
  };
  // What `picture` holds besides the menu bar: these canvases, bottom to top (canvases hidden
  // entirely by others left out). Valid only while no drop-down or box was drawn over it.
  std::vector<ComposedCanvas> composed, composing;
  bool composedValid = false;
  bool composedOverlays = false;  // a drop-down or box is drawn over the picture
  TBitmap barPicture, fullPicture;  // where the menu bar, or everything, is drawn first
  // The parts of `picture` the last Compose changed (window coordinates, may overlap), and how
  // many composes there were; `view` shows compose number viewCompose at offset viewOffset.
  std::vector<TRect> composedChanges;
  uint64_t composeCount = 0, viewCompose = 0;
  int32_t viewOffset = 0;
  // The image the last Present handed to the backend, its generation before and after that
  // present wrote it, and the parts that changed (the image's coordinates).
  struct Handed {
    const TBitmap* image = nullptr;
    uint64_t before = 0, after = 0;
    std::vector<TRect> changes;
  } handed;
  TBitmap barCache;
  std::string barKey;
  TFont uiFont;  // menus and boxes

  Gui();
  static TForm* Main();
  bool IsLive(const TForm* f) const;
  void Forget(TForm* f);  // a form is being destroyed

  // ---- app.cpp ----
  // Waits like WaitForEvents; true when something is waiting to be dispatched.
  static bool WaitForInput(uint32_t timeoutMs);
  void DispatchEvent(const BackendEvent& ev);
  void RouteMouse(const BackendEvent& ev);
  void RouteWheel(const BackendEvent& ev);
  void RouteKey(const BackendEvent& ev);
  TForm* KeyTarget();
  // f's active control when it has the focus, else null.
  static TControl* FocusedControl(TForm* f);
  void DeliverMouse(TForm* f, const BackendEvent& ev, TPoint window);
  // Repaints every visible form (a window expose) and presents.
  void RepaintAll();

  // ---- controls.cpp ----
  bool IsLiveControl(const TControl* c) const;
  // The topmost visible, enabled control of f at a point of its client area, or null.
  TControl* ControlAt(TForm* f, TPoint client);
  void DeliverToControl(TControl* c, const BackendEvent& ev, TPoint client);
  void DeliverToGrab(const BackendEvent& ev, TPoint window);
  void ReleaseGrab();
  // The form's Paint, then its visible controls' (graphic ones first).
  void PaintForm(TForm* f);
  // Repaints the shown forms that asked for it; true when it painted any.
  bool PaintInvalidForms();
  // The same, presenting when it painted any.
  void RepaintInvalid();
  // Whether f and every form it lies on are visible.
  static bool Shown(const TForm* f);
  // The focused control of each shown form: Idle, and the longest wait before Idle is due.
  void IdleControls();
  uint32_t IdleDueInMs();

  // ---- compose.cpp ----
  // Composes the window picture and presents it (nothing while no window is to be seen).
  void Present();
  // Presents only when the picture may differ from the one on the screen: a form's canvas was
  // written, a child form or box or drop-down is showing, or the window itself changed.
  void PresentIfChanged();
  // Composes the window picture again where it may have changed: the canvases written since
  // the last compose (by their generation) and whatever lies above a part that changed. A
  // change of the forms shown, their places, a drop-down or a box makes it draw everything on
  // fullPicture first. Either way composedChanges gets the parts of the picture that changed.
  void Compose();
  // Appends f's canvas and those of its visible children (bottom to top) to `composing`.
  void CollectCanvases(TForm* f, TPoint originInWindow, const TRect& bounds);
  void SyncWindow();
  int32_t ViewOffset() const;
  TForm* FormAt(TPoint window, TPoint* client);

  // ---- menu.cpp ----
  void DrawMenuBar(TBitmap& dst);
  void DrawDropDown(TBitmap& dst);
  bool MenuBarRect(size_t index, TRect* r);
  TRect DropDownRect(size_t index);
  bool DropDownItemRect(size_t menu, size_t item, TRect* r);
  // Mouse and keys for the menu; true when the menu took the event.
  bool MenuMouse(const BackendEvent& ev, TPoint window);
  bool MenuKey(const BackendEvent& ev);
  void OpenMenu(int index, bool byKeyboard);
  void CloseMenu();
  void ChooseItem(int menu, int item);

  // ---- msgbox.cpp ----
  void DrawBoxes(TBitmap& dst);
  void BoxMouse(const BackendEvent& ev, TPoint window);
  void BoxKey(const BackendEvent& ev);
  void CancelBoxes();  // answers every open box with its cancel button
};

// Copies part `part` of dst from src, placed with its origin at srcOrigin in dst, only in the
// rows where they differ, and appends to `changes` the rectangle of dst that changed.
void CopyChangedPart(TBitmap& dst, const TRect& part, const TBitmap& src, TPoint srcOrigin,
                     std::vector<TRect>& changes);

// For a backend that shows pictures one after another: the parts of `image`, the image being
// presented, that differ from the image it showed last, when that was `shown` at generation
// `shownGeneration` (then an empty list means the same picture). Null when they are not known:
// then any part can differ.
const std::vector<TRect>* PresentChanges(const TBitmap& image, const TBitmap* shown,
                                         uint64_t shownGeneration);

// Whether image is one of the compositor's own pictures (the window picture or the full-screen
// view), which live as long as the program.
bool IsComposedImage(const TBitmap* image);

// How a view is shown scaled in a window, and how points of the window map back to it. The
// window is measured in its own units (what mouse events report); its drawable may have more
// pixels than units (a HiDPI display). The view is drawn centred in the drawable with its aspect
// kept, the rest black: by the largest whole factor that fits when `wholeFactor` and at least
// one fits (every view pixel the same size on the screen), else by the largest factor that fits.
struct ViewScaling {
  int32_t viewW = 0, viewH = 0;  // the view, in pixels
  int32_t winW = 0, winH = 0;    // the window, in its units
  int32_t outW = 0, outH = 0;    // the window's drawable, in pixels
  TRect placed;                  // where the view is drawn in the drawable

  // Empty (every point maps to itself) when any size is not positive.
  static ViewScaling Make(int32_t viewW, int32_t viewH, int32_t winW, int32_t winH,
                          int32_t outW, int32_t outH, bool wholeFactor);
  bool Valid() const { return viewW > 0 && viewH > 0 && winW > 0 && winH > 0; }
  // The view pixel shown under the window point's centre; points on the bars map outside the
  // view (negative, or at least the view's size).
  TPoint ToView(TPoint window) const;
  // The first window point whose centre lies in view pixel v at or after its top-left corner
  // (the point the pixel maps back from, when the pixel is at least a point wide).
  TPoint ToWindow(TPoint view) const;
  // The rectangle of the drawable that shows view pixels r (the corners rounded outwards).
  TRect ToOutput(const TRect& r) const;
};

// Draws a raised (or sunken) 3D edge of one pixel inside r.
void DrawEdge3D(TBitmap& dst, const TRect& r, bool raised);
