// The text field fed random keys (with Shift and Ctrl), typed text, compositions, pastes and mouse
// drags, with a random byte limit: its text stays whole CP932 characters within the limit, the
// selection stays inside the text on character boundaries, and painting stays on the canvas.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/backend/fake/fake_backend.h"
#include "platform/text/cp932.h"
#include "platform/text/edit.h"
#include "platform/windows/app.h"
#include "support/fuzz_setup.h"

namespace {

struct Field {
  FakeBackend fake;
  TApplication app;
  TForm form;
  TEdit edit{&form};
  Field() {
    app.MainForm = &form;
    form.SetClientSize(320, 80);
    edit.SetBounds(10, 10, 200, 30);
    form.Show();
    app.ProcessMessages();
  }
};

Field& field() {
  static Field f;
  return f;
}

constexpr int kKeys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_BACK, VK_DELETE, VK_INSERT,
                         VK_RETURN, VK_ESCAPE, VK_TAB, 'A', 'C', 'X', 'V', VK_UP, VK_SPACE};

// Whole characters only: no lead byte without its trail byte at the end.
bool wholeCharacters(const std::string& s, size_t* boundaries = nullptr, size_t at = 0) {
  size_t i = 0;
  bool atBoundary = at == 0;
  while (i < s.size()) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(s[i]));
    if (lead && i + 1 >= s.size()) return false;
    i += lead ? 2 : 1;
    if (i == at) atBoundary = true;
  }
  if (boundaries) *boundaries = atBoundary ? 1 : 0;
  return true;
}

bool onBoundary(const std::string& s, int32_t at) {
  size_t ok = 0;
  return at >= 0 && size_t(at) <= s.size() && wholeCharacters(s, &ok, size_t(at)) && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  Field& f = field();
  TEdit& e = f.edit;
  e.TextEditing("", 0, 0);  // no composition left over from the last input
  e.MaxLength = data[0] % 24;
  e.SetText("");
  const int32_t limit = e.MaxLength ? e.MaxLength : 32767;
  f.fake.SetClipboard("");

  size_t i = 1;
  auto take = [&](size_t n) {
    const size_t at = i;
    i = i + n > size ? size : i + n;
    return std::string(reinterpret_cast<const char*>(data + at), i - at);
  };
  // At most kMaxActions actions: the checks walk the whole text after each one.
  constexpr int kMaxActions = 256;
  for (int actions = 0; i < size && actions < kMaxActions; ++actions) {
    const uint8_t op = data[i++];
    const uint8_t arg = i < size ? data[i++] : 0;
    const TShiftState shift = ((op & 0x10) ? ssShift : 0) | ((op & 0x20) ? ssCtrl : 0);
    switch (op & 7) {
      case 0: e.KeyDown(kKeys[arg % 16], shift); break;
      case 1: e.TextInput(take(arg % 8)); break;
      case 2: {
        const std::string composing = take(arg % 8);
        e.TextEditing(composing, int8_t(arg) % 5, (arg >> 4) % 4);
        break;
      }
      case 3: f.fake.SetClipboard(take(arg % 12)); break;
      case 4: e.MouseDown(mbLeft, shift, int8_t(arg), 15); break;
      case 5: e.MouseMove(ssLeft | shift, int8_t(arg) * 2, 15); break;
      case 6: e.MouseUp(mbLeft, shift, int8_t(arg), 15); break;
      default: e.SetSel(int8_t(arg), (op >> 3) - 8); break;
    }
    const std::string& text = e.Text();
    FuzzCheck(wholeCharacters(text));
    FuzzCheck(int32_t(text.size()) <= limit);
    FuzzCheck(onBoundary(text, e.SelStart()));
    FuzzCheck(e.SelLength() >= 0 && onBoundary(text, e.SelStart() + e.SelLength()));
  }
  e.Paint();
  e.Idle();
  return 0;
}
