// The menu bar the layer draws above a main form: captions with their "&" access keys, drop-downs
// with check marks, mouse and keyboard (Alt+letter, F10, Alt alone, arrows, Enter, Esc).
#include <algorithm>
#include <cctype>

#include "platform/windows/app.h"
#include "platform/windows/app_internal.h"
#include "platform/text/cp932.h"
#include "platform/text/text.h"

namespace {

constexpr int32_t kBarPadX = 7;       // blank on each side of a bar caption
constexpr int32_t kBarFirstX = 2;     // where the first caption's box starts
constexpr int32_t kDropBorder = 3;    // frame of a drop-down
constexpr int32_t kCheckArea = 18;    // left part of an item, where its check mark goes
constexpr int32_t kItemRightPad = 24;
constexpr int32_t kSeparatorHeight = 8;
constexpr int32_t kMinDropWidth = 80;

int32_t captionWidth(const TFont& font, const std::string& caption) {
  TRect r = Rect(0, 0, 0, 0);
  DrawTextA(nullptr, font, caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
  return r.Width();
}

int32_t itemHeight(const TFont& font) { return std::max<int32_t>(17, TextHeight(font) + 5); }

bool selectable(const TMenuItem& it) { return !it.IsSeparator(); }

}  // namespace

// ---- menu items -----------------------------------------------------------------------------
TMenuItem::TMenuItem(std::string caption, std::function<void()> onClick)
    : Caption(std::move(caption)), OnClick(std::move(onClick)) {}

TMenuItem* TMenuItem::Add(std::string caption, std::function<void()> onClick) {
  Items.push_back(std::make_unique<TMenuItem>(std::move(caption), std::move(onClick)));
  return Items.back().get();
}

char TMenuItem::AccessKey() const {
  const std::string& s = Caption;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c)) {
      ++i;
      continue;
    }
    if (c != '&' || i + 1 >= s.size()) continue;
    unsigned char n = static_cast<unsigned char>(s[i + 1]);
    if (n == '&') {
      ++i;
      continue;
    }
    if (n < 0x80 && std::isalnum(n)) return char(std::toupper(n));
    return 0;
  }
  return 0;
}

TMenuItem* TMainMenu::Add(std::string caption) {
  Items.push_back(std::make_unique<TMenuItem>(std::move(caption)));
  return Items.back().get();
}

void TMainMenu::SetStatusText(const std::string& cp932) {
  if (cp932 == statusText_) return;
  statusText_ = cp932;
  Gui& gui = Gui::Get();
  TForm* main = gui.Main();
  if (main && main->Menu() == this) gui.Present();
}

// ---- geometry -------------------------------------------------------------------------------
bool Gui::MenuBarRect(size_t index, TRect* r) {
  TForm* main = Main();
  if (!main || !main->Menu() || index >= main->Menu()->Items.size()) return false;
  int32_t x = kBarFirstX;
  for (size_t i = 0;; ++i) {
    int32_t w = captionWidth(uiFont, main->Menu()->Items[i]->Caption) + 2 * kBarPadX;
    if (i == index) {
      *r = Rect(x, 1, x + w, kMenuBarHeight - 1);
      return true;
    }
    x += w;
  }
}

TRect Gui::DropDownRect(size_t index) {
  TForm* main = Main();
  TRect bar;
  if (!MenuBarRect(index, &bar)) return TRect{};
  const TMenuItem& top = *main->Menu()->Items[index];
  int32_t w = kMinDropWidth, h = 2 * kDropBorder;
  int32_t ih = itemHeight(uiFont);
  for (const auto& it : top.Items) {
    w = std::max(w, kCheckArea + captionWidth(uiFont, it->Caption) + kItemRightPad);
    h += it->IsSeparator() ? kSeparatorHeight : ih;
  }
  w += 2 * kDropBorder;
  int32_t x = bar.Left;
  int32_t limit = main->ClientWidth();
  if (x + w > limit) x = std::max(0, limit - w);
  return Rect(x, kMenuBarHeight, x + w, kMenuBarHeight + h);
}

bool Gui::DropDownItemRect(size_t menuIndex, size_t itemIndex, TRect* r) {
  TForm* main = Main();
  if (!main || !main->Menu() || menuIndex >= main->Menu()->Items.size()) return false;
  const TMenuItem& top = *main->Menu()->Items[menuIndex];
  if (itemIndex >= top.Items.size()) return false;
  TRect dd = DropDownRect(menuIndex);
  int32_t y = dd.Top + kDropBorder, ih = itemHeight(uiFont);
  for (size_t i = 0; i < top.Items.size(); ++i) {
    int32_t h = top.Items[i]->IsSeparator() ? kSeparatorHeight : ih;
    if (i == itemIndex) {
      *r = Rect(dd.Left + kDropBorder, y, dd.Right - kDropBorder, y + h);
      return true;
    }
    y += h;
  }
  return false;
}

bool MenuBarItemRect(size_t menuIndex, TRect* r) {
  return r && Gui::Get().MenuBarRect(menuIndex, r);
}

bool MenuDropDownItemRect(size_t menuIndex, size_t itemIndex, TRect* r) {
  return r && Gui::Get().DropDownItemRect(menuIndex, itemIndex, r);
}

// ---- drawing --------------------------------------------------------------------------------
void Gui::DrawMenuBar(TBitmap& dst) {
  TForm* main = Main();
  const TMainMenu& mm = *main->Menu();
  // The bar is drawn again only when something on it changed.
  std::string key = std::to_string(dst.Width()) + "|" + std::to_string(menu.open);
  for (const auto& it : mm.Items) key += "|" + it->Caption + (it->Enabled ? "" : "~");
  key += "|" + mm.StatusText();
  if (key != barKey || barCache.Width() != dst.Width()) {
    barCache = TBitmap(dst.Width(), kMenuBarHeight, pf24bit);
    FillRect(barCache, Rect(0, 0, dst.Width(), kMenuBarHeight), kFaceColor);
    int32_t th = TextHeight(uiFont);
    for (size_t i = 0; i < mm.Items.size(); ++i) {
      TRect r;
      MenuBarRect(i, &r);
      TFont f = uiFont;
      if (int(i) == menu.open) {
        FillRect(barCache, r, kHighlightColor);
        f.Color = kHighlightTextColor;
      } else if (!mm.Items[i]->Enabled) {
        f.Color = kGrayTextColor;
      }
      TRect tr = Rect(r.Left + kBarPadX, (kMenuBarHeight - th) / 2, r.Right, kMenuBarHeight);
      DrawTextA(&barCache, f, mm.Items[i]->Caption.c_str(), -1, &tr, DT_SINGLELINE | DT_LEFT);
    }
    if (!mm.StatusText().empty()) {
      // The mark: white on the highlight colour in a box at the bar's right end.
      const int32_t w = captionWidth(uiFont, mm.StatusText()) + 2 * kBarPadX;
      const TRect box =
          Rect(dst.Width() - w - kBarFirstX, 2, dst.Width() - kBarFirstX, kMenuBarHeight - 2);
      FillRect(barCache, box, kHighlightColor);
      TFont f = uiFont;
      f.Color = kHighlightTextColor;
      TRect tr = Rect(box.Left + kBarPadX, (kMenuBarHeight - th) / 2, box.Right, kMenuBarHeight);
      DrawTextA(&barCache, f, mm.StatusText().c_str(), -1, &tr, DT_SINGLELINE | DT_LEFT);
    }
    barKey = key;
  }
  BitBlt(dst, 0, 0, dst.Width(), kMenuBarHeight, barCache, 0, 0);
}

void Gui::DrawDropDown(TBitmap& dst) {
  TForm* main = Main();
  if (!main || !main->Menu() || menu.open < 0 || menu.open >= int(main->Menu()->Items.size()))
    return;
  const TMenuItem& top = *main->Menu()->Items[menu.open];
  TRect dd = DropDownRect(size_t(menu.open));
  FillRect(dst, dd, kFaceColor);
  DrawEdge3D(dst, dd, true);
  DrawEdge3D(dst, Rect(dd.Left + 1, dd.Top + 1, dd.Right - 1, dd.Bottom - 1), true);
  int32_t th = TextHeight(uiFont);
  for (size_t i = 0; i < top.Items.size(); ++i) {
    const TMenuItem& it = *top.Items[i];
    TRect r;
    DropDownItemRect(size_t(menu.open), i, &r);
    if (it.IsSeparator()) {
      int32_t y = (r.Top + r.Bottom) / 2 - 1;
      FillRect(dst, Rect(r.Left + 1, y, r.Right - 1, y + 1), kShadowColor);
      FillRect(dst, Rect(r.Left + 1, y + 1, r.Right - 1, y + 2), kLightColor);
      continue;
    }
    TFont f = uiFont;
    if (int(i) == menu.highlight) {
      FillRect(dst, r, kHighlightColor);
      f.Color = kHighlightTextColor;
    }
    if (!it.Enabled) f.Color = kGrayTextColor;
    if (it.Checked) {
      int32_t cx = r.Left + 4, cy = (r.Top + r.Bottom) / 2;
      DrawLine(dst, cx, cy - 1, cx + 3, cy + 2, 2, f.Color);
      DrawLine(dst, cx + 3, cy + 2, cx + 9, cy - 4, 2, f.Color);
      DrawLine(dst, cx + 2, cy + 2, cx + 4, cy + 2, 2, f.Color);
    }
    TRect tr = Rect(r.Left + kCheckArea, r.Top + (r.Height() - th) / 2, r.Right, r.Bottom);
    DrawTextA(&dst, f, it.Caption.c_str(), -1, &tr, DT_SINGLELINE | DT_LEFT);
  }
}

// ---- behaviour ------------------------------------------------------------------------------
void Gui::OpenMenu(int index, bool byKeyboard) {
  TForm* main = Main();
  if (!main || !main->Menu() || index < 0 || index >= int(main->Menu()->Items.size())) return;
  if (capture) ReleaseCapture();
  menu.open = index;
  menu.highlight = -1;
  menu.altAlone = false;
  if (byKeyboard) {
    const auto& items = main->Menu()->Items[index]->Items;
    for (size_t i = 0; i < items.size(); ++i)
      if (selectable(*items[i])) {
        menu.highlight = int(i);
        break;
      }
  }
  Present();
}

void Gui::CloseMenu() {
  menu.altAlone = false;
  if (menu.open < 0) return;
  menu.open = -1;
  menu.highlight = -1;
  Present();
}

void Gui::ChooseItem(int m, int i) {
  TForm* main = Main();
  if (!main || !main->Menu() || m < 0 || m >= int(main->Menu()->Items.size())) return;
  const auto& items = main->Menu()->Items[m]->Items;
  if (i < 0 || i >= int(items.size())) return;
  const TMenuItem& it = *items[i];
  if (!it.Enabled || it.IsSeparator()) return;
  // The handler may rebuild the menu, so it runs from a copy, after the drop-down is gone.
  std::function<void()> fn = it.OnClick;
  CloseMenu();
  if (fn) fn();
}

bool Gui::MenuMouse(const BackendEvent& ev, TPoint window) {
  TForm* main = Main();
  if (!main || !main->Menu() || !main->Visible() || main->Menu()->Items.empty()) {
    menu = MenuState{};
    return false;
  }
  const auto& tops = main->Menu()->Items;
  int barHit = -1;
  bool inBar = window.y >= 0 && window.y < kMenuBarHeight && window.x >= 0 &&
               window.x < main->ClientWidth();
  if (inBar) {
    for (size_t i = 0; i < tops.size(); ++i) {
      TRect r;
      MenuBarRect(i, &r);
      if (window.x >= r.Left && window.x < r.Right) barHit = int(i);
    }
  }
  bool isDown = ev.kind == BackendEventKind::kMouseDown;
  if (ev.kind == BackendEventKind::kMouseUp && menu.open < 0 && menu.ownsPress) {
    menu.ownsPress = false;
    return true;
  }
  if (menu.open < 0) {
    if (isDown) menu.ownsPress = inBar;
    if (!inBar) return false;
    if (ev.kind == BackendEventKind::kMouseDown && ev.button == mbLeft && barHit >= 0 &&
        tops[barHit]->Enabled) {
      if (tops[barHit]->Items.empty()) {
        if (auto fn = tops[barHit]->OnClick) fn();
      } else {
        OpenMenu(barHit, false);
      }
    }
    return true;
  }
  TRect dd = DropDownRect(size_t(menu.open));
  bool inDrop = window.x >= dd.Left && window.x < dd.Right && window.y >= dd.Top &&
                window.y < dd.Bottom;
  int itemHit = -1;
  if (inDrop) {
    const auto& items = tops[menu.open]->Items;
    for (size_t i = 0; i < items.size(); ++i) {
      TRect r;
      DropDownItemRect(size_t(menu.open), i, &r);
      if (window.y >= r.Top && window.y < r.Bottom && selectable(*items[i])) itemHit = int(i);
    }
  }
  switch (ev.kind) {
    case BackendEventKind::kMouseMove:
      if (barHit >= 0 && barHit != menu.open && !tops[barHit]->Items.empty()) {
        OpenMenu(barHit, false);
      } else if (!inBar && itemHit != menu.highlight) {
        menu.highlight = itemHit;
        Present();
      }
      break;
    case BackendEventKind::kMouseDown:
      menu.ownsPress = true;
      if (barHit == menu.open) {
        CloseMenu();
      } else if (barHit >= 0) {
        OpenMenu(barHit, false);
      } else if (!inDrop) {
        CloseMenu();  // a press outside the menu only closes it
      } else if (itemHit != menu.highlight) {
        menu.highlight = itemHit;
        Present();
      }
      break;
    case BackendEventKind::kMouseUp:
      menu.ownsPress = false;
      if (itemHit >= 0 && ev.button == mbLeft) ChooseItem(menu.open, itemHit);
      break;
    default:
      break;
  }
  return true;
}

bool Gui::MenuKey(const BackendEvent& ev) {
  TForm* main = Main();
  if (!main || !main->Menu() || !main->Visible() || main->Menu()->Items.empty()) return false;
  const auto& tops = main->Menu()->Items;
  int n = int(tops.size());
  bool down = ev.kind == BackendEventKind::kKeyDown;
  if (!down) {
    if (ev.key == VK_MENU && menu.altAlone) {
      menu.altAlone = false;
      if (menu.open < 0)
        OpenMenu(0, true);
      else
        CloseMenu();
      return true;
    }
    return menu.open >= 0;
  }
  if (ev.key == VK_MENU) {
    menu.altAlone = true;
    return menu.open >= 0;
  }
  menu.altAlone = false;
  int key = ev.key;
  bool letter = key < 0x80 && std::isalnum(key);
  auto topWithKey = [&](int k) {
    for (int i = 0; i < n; ++i)
      if (tops[i]->AccessKey() == k && tops[i]->Enabled) return i;
    return -1;
  };
  if (menu.open < 0) {
    if (key == VK_F10 && !(ev.shift & (ssShift | ssCtrl))) {
      OpenMenu(0, true);
      return true;
    }
    if ((ev.shift & ssAlt) && letter) {
      int t = topWithKey(key);
      if (t >= 0) {
        OpenMenu(t, true);
        return true;
      }
    }
    return false;
  }
  const auto& items = tops[menu.open]->Items;
  int count = int(items.size());
  switch (key) {
    case VK_ESCAPE:
    case VK_F10:
      CloseMenu();
      return true;
    case VK_LEFT:
      OpenMenu((menu.open + n - 1) % n, true);
      return true;
    case VK_RIGHT:
      OpenMenu((menu.open + 1) % n, true);
      return true;
    case VK_UP:
    case VK_DOWN: {
      int step = key == VK_DOWN ? 1 : count - 1;
      int h = menu.highlight < 0 ? (key == VK_DOWN ? count - 1 : 0) : menu.highlight;
      for (int tries = 0; tries < count; ++tries) {
        h = (h + step) % count;
        if (selectable(*items[h])) {
          menu.highlight = h;
          break;
        }
      }
      Present();
      return true;
    }
    case VK_RETURN:
      if (menu.highlight >= 0) ChooseItem(menu.open, menu.highlight);
      return true;
    default:
      break;
  }
  if (letter) {
    if (ev.shift & ssAlt) {
      int t = topWithKey(key);
      if (t >= 0) OpenMenu(t, true);
      return true;
    }
    for (int i = 0; i < count; ++i)
      if (items[i]->AccessKey() == key && items[i]->Enabled) {
        ChooseItem(menu.open, i);
        break;
      }
  }
  return true;
}
