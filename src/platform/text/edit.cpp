// TEdit: editing, painting, keys, mouse, clipboard and the input method's composition.
#include "platform/text/edit.h"

#include <algorithm>

#include "platform/windows/app_internal.h"
#include "platform/text/cp932.h"

namespace {

constexpr int32_t kBorder = 2;  // the sunken edge of a classic edit box
constexpr int32_t kMargin = 2;  // between the border and the text
// What a Windows edit accepts before its limit is set.
constexpr int32_t kDefaultLimit = 32767;

// The edit's own text never holds control characters: it is one line.
std::string withoutControls(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = IsLeadByte(c) && i + 1 < s.size() ? 2 : 1;
    if (n == 2 || (c >= 0x20 && c != 0x7F)) out.append(s, i, n);
    i += n;
  }
  return out;
}

// The byte offset in utf8 where character `chars` starts (the end when there are fewer).
size_t utf8Offset(const std::string& utf8, int32_t chars) {
  size_t i = 0;
  for (int32_t k = 0; k < chars && i < utf8.size(); ++k) {
    char32_t cp;
    size_t n = DecodeUtf8Char(utf8, i, &cp);
    i += n ? n : 1;
  }
  return i;
}

}  // namespace

TEdit::TEdit(TForm* parent) : TControl(parent) {
  Font.Name = FontMSPGothic();
  Font.Height = -12;
  Font.Color = clBlack;
}

TEdit::~TEdit() {
  if (textInputOn_) StopTextInput();
}

// ---- text and selection ---------------------------------------------------------------------
int32_t TEdit::limit() const { return MaxLength > 0 ? MaxLength : kDefaultLimit; }

size_t TEdit::nextChar(size_t pos) const {
  if (pos >= text_.size()) return text_.size();
  bool lead = IsLeadByte(static_cast<unsigned char>(text_[pos])) && pos + 1 < text_.size();
  return pos + (lead ? 2 : 1);
}

size_t TEdit::prevChar(size_t pos) const {
  // Lead bytes can also be trail bytes, so the boundaries are found from the start.
  size_t i = 0, prev = 0;
  while (i < pos && i < text_.size()) {
    prev = i;
    i = nextChar(i);
  }
  return prev;
}

int32_t TEdit::SelStart() const { return int32_t(selFrom()); }

int32_t TEdit::SelLength() const { return int32_t(selTo() - selFrom()); }

void TEdit::SetText(const std::string& cp932) {
  std::string next = withoutControls(cp932);
  const bool changed = next != text_;
  text_ = std::move(next);
  anchor_ = caret_ = text_.size();
  scroll_ = 0;
  layout();
  resetCaret();
  if (changed && OnChange) OnChange(this);
}

void TEdit::SetSel(int32_t start, int32_t length) {
  auto snap = [this](int64_t p) {
    p = std::clamp<int64_t>(p, 0, int64_t(text_.size()));
    size_t b = 0;
    while (b < size_t(p) && nextChar(b) <= size_t(p)) b = nextChar(b);
    return b;
  };
  anchor_ = snap(start);
  caret_ = snap(int64_t(start) + length);
  layout();
  resetCaret();
}

void TEdit::SelectAll() {
  anchor_ = 0;
  caret_ = text_.size();
  layout();
  resetCaret();
}

void TEdit::replaceSelection(const std::string& cp932) {
  size_t from = selFrom(), to = selTo();
  if (from == to && cp932.empty()) return;
  text_.replace(from, to - from, cp932);
  anchor_ = caret_ = from + cp932.size();
  layout();
  resetCaret();
  if (OnChange) OnChange(this);
}

bool TEdit::insert(const std::string& cp932) {
  std::string s = withoutControls(cp932);
  if (s.empty()) return false;
  size_t kept = text_.size() - (selTo() - selFrom());
  size_t room = size_t(limit()) > kept ? size_t(limit()) - kept : 0;
  s.resize(CutAtCharBoundary(s.data(), s.size(), room));
  if (s.empty() && selFrom() == selTo()) return false;  // full: the key is refused
  replaceSelection(s);
  return true;
}

void TEdit::moveCaret(size_t pos, bool extend) {
  caret_ = pos;
  if (!extend) anchor_ = pos;
  layout();
  resetCaret();
}

void TEdit::copy() const {
  if (selFrom() != selTo()) SetClipboardText(text_.substr(selFrom(), selTo() - selFrom()));
}

// ---- geometry -------------------------------------------------------------------------------
TRect TEdit::textArea() const {
  return Rect(kBorder + kMargin, kBorder, Width - kBorder - kMargin, Height - kBorder);
}

std::string TEdit::composition(int32_t* caretPx, int32_t* selFromPx, int32_t* selToPx) const {
  auto width = [this](int32_t chars) {
    std::string part =
        Utf8ToCp932Dropping(std::string_view(compose_).substr(0, utf8Offset(compose_, chars)));
    return TextWidth(Font, part.data(), int32_t(part.size()));
  };
  *caretPx = width(composeCursor_);
  *selFromPx = *caretPx;
  *selToPx = composeLength_ > 0 ? width(composeCursor_ + composeLength_) : *caretPx;
  return Utf8ToCp932Dropping(compose_);
}

void TEdit::layout() {
  TRect area = textArea();
  int32_t avail = std::max(area.Width(), 1);
  int32_t caretPx = TextWidth(Font, text_.data(), int32_t(caret_));
  int32_t imeX = caretPx;
  int32_t total = TextWidth(Font, text_.data(), int32_t(text_.size()));
  if (Composing()) {
    int32_t c = 0, a = 0, b = 0;
    std::string comp = composition(&c, &a, &b);
    caretPx += c;
    total += TextWidth(Font, comp.data(), int32_t(comp.size()));
  }
  // Off the box, the text jumps by a quarter of its width, as a Windows edit scrolls.
  if (caretPx < scroll_) scroll_ = std::max(0, caretPx - avail / 4);
  if (caretPx - scroll_ > avail - 1) scroll_ = caretPx - avail + 1 + avail / 4;
  // No empty room on the right while text lies scrolled out on the left.
  if (scroll_ > 0 && total - scroll_ < avail - 1) scroll_ = std::max(0, total - avail + 1);
  if (textInputOn_) {
    int32_t x = Left + area.Left + imeX - scroll_;
    TRect r = Rect(x, Top, x + 1, Top + Height);
    if (!(r == imeRect_)) {
      imeRect_ = r;
      StartTextInput(Parent(), r);
    }
  }
}

size_t TEdit::posFromX(int32_t x) const {
  int32_t px = x - textArea().Left + scroll_;
  size_t pos = 0;
  int32_t left = 0;
  while (pos < text_.size()) {
    size_t next = nextChar(pos);
    int32_t w = TextWidth(Font, text_.data() + pos, int32_t(next - pos));
    if (px < left + (w + 1) / 2) break;  // the nearer boundary
    left += w;
    pos = next;
  }
  return pos;
}

void TEdit::resetCaret() {
  caretOn_ = true;
  blinkAt_ = timeGetTime();
  Invalidate();
}

// ---- painting -------------------------------------------------------------------------------
void TEdit::Paint() {
  if (Width <= 2 * kBorder || Height <= 2 * kBorder) return;
  TBitmap& canvas = Canvas();
  const TRect r = BoundsRect();
  // Sunken: shadow and dark above and left, light and face below and right.
  DrawEdge3D(canvas, r, false);
  const TRect in = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  FillRect(canvas, Rect(in.Left, in.Top, in.Right, in.Top + 1), kDarkColor);
  FillRect(canvas, Rect(in.Left, in.Top, in.Left + 1, in.Bottom), kDarkColor);
  FillRect(canvas, Rect(in.Left, in.Bottom - 1, in.Right, in.Bottom), kFaceColor);
  FillRect(canvas, Rect(in.Right - 1, in.Top, in.Right, in.Bottom), kFaceColor);

  const int32_t w = Width - 2 * kBorder, h = Height - 2 * kBorder;
  if (scratch_.Width() != w || scratch_.Height() != h) scratch_.SetSize(w, h);
  FillRect(scratch_, Rect(0, 0, w, h), Color);
  TFont font = Font;
  if (!Enabled()) font.Color = kGrayTextColor;
  const int32_t th = TextHeight(font);
  const int32_t x0 = kMargin - scroll_, y0 = (h - th) / 2;
  const bool focused = Focused();

  // The text with the composition inside it at the caret.
  std::string comp;
  int32_t compCaret = 0, compSelFrom = 0, compSelTo = 0;
  if (Composing()) comp = composition(&compCaret, &compSelFrom, &compSelTo);
  const int32_t caretPx = TextWidth(font, text_.data(), int32_t(caret_));
  std::string shown = text_.substr(0, caret_) + comp + text_.substr(caret_);
  TextOut(scratch_, font, x0, y0, shown.data(), int32_t(shown.size()));

  if (!comp.empty()) {
    const int32_t cx = x0 + caretPx;
    const int32_t cw = TextWidth(font, comp.data(), int32_t(comp.size()));
    FillRect(scratch_, Rect(cx, y0 + th - 1, cx + cw, y0 + th), font.Color);
    // The part the input method is converting is underlined thicker.
    if (compSelTo > compSelFrom)
      FillRect(scratch_, Rect(cx + compSelFrom, y0 + th - 2, cx + compSelTo, y0 + th), font.Color);
  } else if (focused && selFrom() != selTo()) {
    const int32_t a = x0 + TextWidth(font, text_.data(), int32_t(selFrom()));
    const int32_t b = a + TextWidth(font, text_.data() + selFrom(), int32_t(selTo() - selFrom()));
    FillRect(scratch_, Rect(a, y0, b, y0 + th), kHighlightColor);
    TFont selected = font;
    selected.Color = kHighlightTextColor;
    TextOut(scratch_, selected, a, y0, text_.data() + selFrom(), int32_t(selTo() - selFrom()));
  }
  if (focused && caretOn_) {
    const int32_t x = x0 + caretPx + compCaret;
    InvertRect(scratch_, Rect(x, y0, x + 1, y0 + th));
  }
  BitBlt(canvas, r.Left + kBorder, r.Top + kBorder, w, h, scratch_, 0, 0);
}

// ---- focus and time -------------------------------------------------------------------------
void TEdit::DoEnter() {
  if (AutoSelect) {
    anchor_ = 0;
    caret_ = text_.size();
  }
  textInputOn_ = true;
  imeRect_ = TRect{};
  layout();  // starts text input at the caret
  resetCaret();
}

void TEdit::DoExit() {
  compose_.clear();  // an input method that is stopped drops its composition
  dragging_ = false;
  if (textInputOn_) StopTextInput();
  textInputOn_ = false;
  Invalidate();
}

void TEdit::Idle() {
  uint32_t now = timeGetTime();
  if (now - blinkAt_ < kCaretBlinkMs) return;
  caretOn_ = !caretOn_;
  blinkAt_ = now;
  Invalidate();
}

uint32_t TEdit::IdleDueInMs() const {
  uint32_t since = timeGetTime() - blinkAt_;
  return since >= kCaretBlinkMs ? 0 : kCaretBlinkMs - since;
}

// ---- input ----------------------------------------------------------------------------------
bool TEdit::KeyDown(int key, TShiftState shift) {
  // While the input method composes, every key is its own (Enter converts and commits).
  if (Composing()) return true;
  const bool ext = shift & ssShift, ctrl = shift & ssCtrl, alt = shift & ssAlt;
  if (alt) return false;
  switch (key) {
    case VK_LEFT:
      if (!ext && selFrom() != selTo())
        moveCaret(selFrom(), false);
      else
        moveCaret(prevChar(caret_), ext);
      return true;
    case VK_RIGHT:
      if (!ext && selFrom() != selTo())
        moveCaret(selTo(), false);
      else
        moveCaret(nextChar(caret_), ext);
      return true;
    case VK_HOME:
      moveCaret(0, ext);
      return true;
    case VK_END:
      moveCaret(text_.size(), ext);
      return true;
    case VK_BACK:
      if (selFrom() == selTo()) anchor_ = prevChar(caret_);
      replaceSelection("");
      return true;
    case VK_DELETE:
      if (ext) {  // Shift+Delete cuts
        copy();
        replaceSelection("");
        return true;
      }
      if (selFrom() == selTo()) anchor_ = nextChar(caret_);
      replaceSelection("");
      return true;
    case VK_INSERT:
      if (ctrl) copy();
      if (ext) insert(GetClipboardText());
      return ctrl || ext;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_TAB:
      return false;
    default:
      break;
  }
  if (ctrl) {
    switch (key) {
      case 'A':
        SelectAll();
        return true;
      case 'C':
        copy();
        return true;
      case 'X':
        copy();
        replaceSelection("");
        return true;
      case 'V':
        insert(GetClipboardText());
        return true;
      default:
        return false;
    }
  }
  // Keys that type come back as text; the edit takes them so that the form does not act on
  // a letter typed into a name.
  return (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') || key == VK_SPACE;
}

void TEdit::TextInput(const std::string& utf8) {
  compose_.clear();
  if (!insert(Utf8ToCp932Dropping(utf8))) {
    layout();
    resetCaret();
  }
}

void TEdit::TextEditing(const std::string& utf8, int32_t cursor, int32_t length) {
  if (utf8.empty()) {
    if (!Composing()) return;
    compose_.clear();
    layout();
    resetCaret();
    return;
  }
  // The composition takes the selection's place from its first character on.
  if (!Composing() && selFrom() != selTo()) replaceSelection("");
  compose_ = utf8;
  composeCursor_ = std::max(cursor, 0);
  composeLength_ = std::max(length, 0);
  layout();
  resetCaret();
}

void TEdit::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  TControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || Composing() || !Focused()) return;
  moveCaret(posFromX(x), shift & ssShift);
  dragging_ = true;
}

void TEdit::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  TControl::MouseMove(shift, x, y);
  if (dragging_ && (shift & ssLeft) && !Composing()) {
    size_t pos = posFromX(x);
    if (pos != caret_) moveCaret(pos, true);
  }
}

void TEdit::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (button == mbLeft) dragging_ = false;
}
