// Plain geometry and colour types shared by every subsystem.
#pragma once
#include <cstdint>

// A rectangle in pixels; Right and Bottom are exclusive unless an operation says otherwise.
struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr int32_t Width() const { return Right - Left; }
  constexpr int32_t Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return TRect{l, t, r, b}; }

// Strict hit test: left < x < right and top < y < bottom.
constexpr bool PtInRectStrict(const TRect& r, int32_t x, int32_t y) {
  return r.Left < x && x < r.Right && r.Top < y && y < r.Bottom;
}

struct TPoint {
  int32_t x = 0, y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// A Windows colour value: $00BBGGRR.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clRed = 0x0000FF;
// The system colours of a classic Windows desktop theme, which form designs name.
constexpr TColor clBtnFace = 0xC8D0D4;       // RGB(212, 208, 200)
constexpr TColor clBtnText = 0x000000;
constexpr TColor clBtnHighlight = 0xFFFFFF;
constexpr TColor clBtnShadow = 0x808080;
constexpr TColor clWindow = 0xFFFFFF;
constexpr TColor clWindowText = 0x000000;
constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (uint32_t(b) << 16); }
constexpr uint8_t GetRValue(TColor c) { return c & 0xFF; }
constexpr uint8_t GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// Local time as GetLocalTime reports it.
struct SYSTEMTIME {
  uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
