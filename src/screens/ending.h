// TfrmEnding: the ending screen, a frameless child form over the play area that plays the
// ending roll described by an ending file "mscsNN.esf": the last picture of the game shrinks
// into the upper-left corner, the credit lines scroll upward in the 160-pixel strip on the
// right, pictures change at given points of the roll, and music plays throughout.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/text.h"
#include "screens/ending_file.h"

// The message the first paint posts to the form itself to start the roll.
constexpr uint32_t WM_ENDINGROLL = WM_APP + 0x3E9;  // 0x83E9
static_assert(WM_ENDINGROLL == 0x83E9);

// One line of text of the roll, as a label placed in the scroll box.
struct TRollLabel {
  std::string Caption;  // CP932
  TFont Font;           // white, the form's face, the entry's size in points, bold, italic
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;  // in the scroll box's content
};

// The scroll box on the right: its visible part is the strip x = 480..640 of the form. It takes
// no input of its own: the wheel and clicks do nothing to the roll.
constexpr int32_t kRollStripLeft = 480;
constexpr int32_t kRollStripWidth = 160;
constexpr int32_t kRollViewHeight = 480;
constexpr int32_t kRollDesignedRange = 640;

// The pure part of RollTimerStep: the whole intervals of a milliseconds that have passed
// between the reference r and the millisecond value now (both 0-999, the second may have rolled
// over once), moving r on by that many intervals. A step needs strictly more than a ms.
int RollTimerSteps(int& reference, int now, int a);
// Milliseconds from now until RollTimerSteps (reference, ..., a) would report a step; at least
// 1, and at most 500 for an interval that never completes.
uint32_t RollTimerWaitMs(int reference, int now, int a);

class TfrmEnding : public TForm {
 public:
  // Created hidden, as a child of the main form, covering its client area.
  explicit TfrmEnding(TForm* owner);
  ~TfrmEnding() override;

  std::vector<TRollLabel> RollLabels;      // the text labels of the current roll
  std::vector<std::string> PictureEvents;  // "%05d,%s" of EntryY and name; sorted
  TEndingHeader EndingHeader{};            // header of the current file
  bool FirstPaint = false;  // set when shown: the next paint runs the shrink animation
  bool AbortRoll = false;   // set by the main form when the program closes; ends the roll
  TBitmap RollPicture;      // the picture currently shown (a JPEG background also lands here)

  // The scroll box: visibility, vertical position and range (the content's height).
  bool ScrollBoxVisible = false;
  int32_t ScrollPosition = 0;
  int32_t ScrollRange = kRollDesignedRange;

  // Reads ending file number n and prepares the roll; starts its music.
  void LoadEndingFile(int n);
  // The show event: the next paint plays the shrink animation and then starts the roll.
  void FormShow();
  // The shrink animation on the first paint, the current picture on later ones.
  void FormPaint();
  // Scrolls the roll to its end, changing pictures on the way; then hides the form.
  void RunEndingRoll();
  // Whole intervals of a milliseconds since the last step, measured with the millisecond field
  // of the local time. The reference carries over between calls and between rolls.
  int RollTimerStep(int a);
  void Paint() override { FormPaint(); }
  // WM_ENDINGROLL runs the roll; everything else goes to the inherited dispatch.
  void Dispatch(TMessage& msg) override;

 private:
  // Sets the scroll position, kept inside 0 .. range - 480.
  void setScrollPosition(int32_t position);
  // Draws the visible part of the scroll box (black, with its labels) onto the canvas.
  void drawScrollBox();
  TBitmap strip_;  // the strip's picture, so that labels are clipped to it
};
