// Forms for the application-layer tests: they record what reaches them as short strings.
#pragma once
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/windows/app.h"
#include "platform/backend/fake/fake_backend.h"
#include "support/pixels.h"

class RecordingForm : public TForm {
 public:
  explicit RecordingForm(std::string name, TForm* parent = nullptr)
      : TForm(parent), name_(std::move(name)) {}

  std::vector<std::string>* log = nullptr;  // shared log; own log when null
  std::vector<std::string> own;
  bool allowClose = true;
  std::function<void(TMessage&)> onMessage;
  std::function<void(TMouseButton, int32_t, int32_t)> onDown;
  std::function<void(int32_t, int32_t)> onMove;
  std::function<void(int)> onKey;
  int paints = 0, closeQueries = 0;
  TShiftState downShift = 0, upShift = 0;  // the Shift argument of the last press / release

  std::vector<std::string>& Log() { return log ? *log : own; }

  void Paint() override {
    ++paints;
    add("paint");
  }
  void MouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
    downShift = s;
    add(fmt("down", b, x, y));
    if (onDown) onDown(b, x, y);
  }
  void MouseMove(TShiftState, int32_t x, int32_t y) override {
    add("move " + std::to_string(x) + "," + std::to_string(y));
    if (onMove) onMove(x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
    upShift = s;
    add(fmt("up", b, x, y));
  }
  void MouseWheel(int delta, TShiftState, int32_t x, int32_t y) override {
    add("wheel " + std::to_string(delta) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void KeyDown(int key, TShiftState shift) override {
    add("key " + std::to_string(key) + ((shift & ssAlt) ? " alt" : ""));
    if (onKey) onKey(key);
  }
  void TextInput(const std::string& utf8) override { add("text " + utf8); }
  void CloseQuery(bool& canClose) override {
    ++closeQueries;
    add("closequery");
    canClose = allowClose;
  }
  void Dispatch(TMessage& msg) override {
    char buf[64];
    std::snprintf(buf, sizeof buf, "msg %04X %lu %ld", unsigned(msg.Msg),
                  static_cast<unsigned long>(msg.WParam), static_cast<long>(msg.LParam));
    add(buf);
    if (onMessage) onMessage(msg);
    TForm::Dispatch(msg);
  }

 private:
  void add(const std::string& s) { Log().push_back(name_ + ": " + s); }
  static std::string fmt(const char* what, TMouseButton b, int32_t x, int32_t y) {
    const char* bn = b == mbLeft ? "L" : b == mbRight ? "R" : "M";
    return std::string(what) + " " + bn + " " + std::to_string(x) + "," + std::to_string(y);
  }
  std::string name_;
};

// A fake backend, an application and a shown main form of 640x480.
struct AppFixture {
  FakeBackend fake;
  TApplication app;
  RecordingForm main{"main"};
  explicit AppFixture(bool withMenu = false) {
    app.MainForm = &main;
    main.SetClientSize(640, 480);
    if (withMenu) main.CreateMenu();
    main.Show();
    app.ProcessMessages();
    main.Log().clear();
  }
};

// A log without the repaints (showing and hiding forms repaint; some tests look past that).
inline std::vector<std::string> WithoutPaints(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const auto& s : log)
    if (s.size() < 7 || s.compare(s.size() - 7, 7, ": paint") != 0) out.push_back(s);
  return out;
}
