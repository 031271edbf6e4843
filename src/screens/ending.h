// TfrmEnding: the ending screen, a frameless child form over the play area that plays the
// ending roll described by an ending file "mscsNN.esf": the last picture of the game shrinks
// into the upper-left corner, the credit lines scroll upward in the 160-pixel strip on the
// right, pictures change at given points of the roll, and music plays throughout.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows/app.h"
#include "platform/text/text.h"
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

// The scroll box on the right: its visible part is the strip x = 480..640 of the form. The wheel
// and clicks do nothing to the roll.
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
  // Draws the visible part of the scroll box (black, with its labels) onto the strip.
  void drawScrollBox();
  // Before the form draws on its canvas over the strip: the canvas takes the box drawn on the
  // strip, so that what is not drawn over stays as it was seen.
  void flattenStrip();
  // After the form drew on its canvas over the strip without drawing the box: the strip shows
  // the canvas's pixels.
  void showCanvasStrip();
  // Fills dst black and draws on it the labels that reach its rows, content row `top` being
  // its first row; dst clips them. A label reaches the rows of its rectangle, or with
  // `byInk` the rows its glyphs colour (see rollInk_).
  void drawLabels(TBitmap& dst, int32_t top, bool byInk) const;
  // Finds how far each label's glyphs reach beyond its rows (rollInk_); false when a label's
  // reach cannot be measured.
  bool measureLabelInk();
  // Whether a label is drawn at the current position although its glyphs do not reach the
  // view, or the other way round: the view then differs from the rows of the drawn content.
  bool inkCrossesViewEdge() const;
  // Content rows [index * kRollBandHeight, (index + 1) * kRollBandHeight) with every label
  // drawn whole, from the bands already drawn when it is one of them.
  const TBitmap& rollBand(int32_t index);
  // The labels changed: the drawn bands no longer show them.
  void forgetRollBands();

  // The roll's content is drawn once, in bands made as the view reaches them, so that a step of
  // the roll copies the visible rows instead of drawing the labels again. The view draws only
  // the labels whose rectangles it meets, so it equals the content's rows except at a step
  // where a glyph reaching out of its label's rows crosses the view's edge; such a step draws
  // the view directly.
  static constexpr int32_t kRollBandHeight = 512;
  struct RollBand {
    int32_t index = -1;  // -1: not drawn
    TBitmap image;
  };
  RollBand bands_[3];
  struct InkReach {
    int32_t above = 0, below = 0;  // rows coloured above and below the label's rectangle
  };
  std::vector<InkReach> rollInk_;  // one per label
  enum class BandUse { kUnknown, kBands, kDirect } bandUse_ = BandUse::kUnknown;
  // The strip over x = 480..640 of the form; it holds the picture seen there. While
  // stripOwnPicture_ is set (the box was drawn on it), the form's canvas under it is out of date.
  TForm scrollBox_;
  bool stripOwnPicture_ = false;
};
