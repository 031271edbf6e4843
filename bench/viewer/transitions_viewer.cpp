// Shows every transition of the presentation engine once, in a real window, on two generated
// pictures and two generated sprites, at the game's pace of one frame per 30 ms.
//
//   transitions_viewer [--frames DIR] [--delay MS] [--set N] [--only KIND]
//
//   --frames DIR  also writes every frame shown as DIR/<nn>_<name>_<frame>.bmp
//   --delay MS    milliseconds per frame (default 30; 0 runs as fast as it can)
//   --set N       dither pattern set 0-3 (default 0)
//   --only KIND   runs only the transition of that kind number (1-20)
//
// Closing the window ends the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "paint/splpaint.h"
#include "platform/windows/app.h"
#include "platform/pictures/bitmap.h"
#include "platform/backend/sdl/sdl_backend.h"

namespace {

constexpr int32_t kW = 640, kH = 480;

// Picture A: a sky-to-sea gradient with a sun. Picture B: a warm checkerboard with rings.
TBitmap pictureA() {
  TBitmap b(kW, kH);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const int dx = x - 460, dy = y - 150;
      if (dx * dx + dy * dy < 60 * 60) {
        b.SetPixel(x, y, RGB(255, 220, 90));
      } else if (y < 300) {
        b.SetPixel(x, y, RGB(uint8_t(60 + y / 3), uint8_t(120 + y / 4), 230));
      } else {
        b.SetPixel(x, y, RGB(20, uint8_t(60 + (y - 300) / 2), uint8_t(120 + x / 8)));
      }
    }
  return b;
}

TBitmap pictureB() {
  TBitmap b(kW, kH);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const bool check = ((x / 40) + (y / 40)) % 2 == 0;
      const int dx = x - 320, dy = y - 240;
      const int ring = (dx * dx + dy * dy) / 900 % 4;
      uint8_t r = check ? 200 : 150, g = check ? 90 : 60, bl = check ? 40 : 80;
      if (ring == 0) g = uint8_t(g + 80);
      b.SetPixel(x, y, RGB(r, g, bl));
    }
  return b;
}

// A 160 x 320 figure on pure green (the colour key): a round head and a body.
TBitmap sprite(TColor body) {
  TBitmap b(160, 320);
  FillRect(b, Rect(0, 0, 160, 320), RGB(0, 255, 0));
  for (int32_t y = 0; y < 320; ++y)
    for (int32_t x = 0; x < 160; ++x) {
      const int hx = x - 80, hy = y - 60;
      const bool head = hx * hx + hy * hy < 45 * 45;
      const bool torso = y > 110 && y < 320 && std::abs(x - 80) < 30 + (y - 110) / 5;
      if (head) b.SetPixel(x, y, RGB(250, 210, 180));
      if (torso) b.SetPixel(x, y, body);
    }
  return b;
}

struct Options {
  std::string frames;
  int delay = 30;
  int set = 0;
  int only = 0;
};

class ViewerForm : public TForm {
 public:
  TSplPaint* paint = nullptr;
  void Paint() override {
    if (paint) paint->DrawToScreen(true);
  }
};

class Viewer {
 public:
  Viewer(const Options& opt, ViewerForm& form) : opt_(opt), sp_(&form) {
    form.paint = &sp_;
  }

  bool Setup() {
    sp_.ChangeFadeBrush(opt_.set);
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const TBitmap images[2] = {sprite(RGB(60, 90, 200)), sprite(RGB(200, 60, 90))};
    for (int i = 0; i < 2; ++i) {
      const std::string file =
          (dir / ("transitions_viewer_" + std::to_string(i) + ".bmp")).string();
      const bool ok = SaveBitmapFile(file.c_str(), images[i]) && sp_.LoadSplite(i + 1, file.c_str());
      std::remove(file.c_str());
      if (!ok) {
        std::fprintf(stderr, "transitions_viewer: could not make the sprites\n");
        return false;
      }
      sp_.MoveSplite(i + 1, 240, 140);
    }
    return true;
  }

  void RunAll() {
    const TBitmap a = pictureA(), b = pictureB();
    struct Step {
      int kind;
      const char* name;
      void (TSplPaint::*prepare)();
      const TBitmap* picture;  // the picture the transition shows or leaves
      int before;              // the screen before: 0 black, 1 white, 2 the picture
    } steps[] = {
        {5, "FadeFromBlack", &TSplPaint::FadeFromBlack, &a, 0},
        {6, "FadeToBlack", &TSplPaint::FadeToBlack, &a, 2},
        {7, "FadeFromWhite", &TSplPaint::FadeFromWhite, &b, 1},
        {8, "FadeToWhite", &TSplPaint::FadeToWhite, &b, 2},
        {9, "FadeFromWhiteContrast", &TSplPaint::FadeFromWhiteContrast, &a, 1},
        {10, "FadeToBlackContrast", &TSplPaint::FadeToBlackContrast, &a, 2},
        {11, "FadeFromBlackContrast", &TSplPaint::FadeFromBlackContrast, &b, 0},
        {12, "FadeToWhiteContrast", &TSplPaint::FadeToWhiteContrast, &b, 2},
        {13, "FadeFromBlackRGB", &TSplPaint::FadeFromBlackRGB, &a, 0},
        {14, "FadeToBlackRGB", &TSplPaint::FadeToBlackRGB, &a, 2},
        {15, "FadeFromWhiteRGB", &TSplPaint::FadeFromWhiteRGB, &b, 1},
        {16, "FadeToWhiteRGB", &TSplPaint::FadeToWhiteRGB, &b, 2},
        {17, "SlitInLeft", &TSplPaint::SlitInLeft, &a, 0},
        {19, "SlitOutLeft", &TSplPaint::SlitOutLeft, &a, 2},
        {18, "SlitInRight", &TSplPaint::SlitInRight, &b, 0},
        {20, "SlitOutRight", &TSplPaint::SlitOutRight, &b, 2},
    };
    int index = 0;
    for (const Step& s : steps) {
      if (Application->Terminated()) return;
      ++index;
      if (opt_.only && opt_.only != s.kind) continue;
      sp_.SetBkGnd(s.picture, true);
      if (s.before == 0) sp_.FillBkBlack(false);
      if (s.before == 1) sp_.FillBkWhite(false);
      show(index, s.name, -1);
      (sp_.*s.prepare)();
      run(index, s.name);
    }
    // Sprites: one comes in, changes into the other, and goes.
    struct SpriteStep {
      int kind;
      const char* name;
    } spriteSteps[] = {{1, "FadeInSplite"}, {3, "FadeSplite"}, {2, "FadeOutSplite"}};
    for (const SpriteStep& s : spriteSteps) {
      if (Application->Terminated()) return;
      ++index;
      if (opt_.only && opt_.only != s.kind) continue;
      sp_.SetBkGnd(&a, true);
      if (s.kind == 3) sp_.DrawSplite(1, true);
      if (s.kind == 2) sp_.DrawSplite(2, true);
      show(index, s.name, -1);
      if (s.kind == 1) sp_.FadeInSplite(1);
      if (s.kind == 3) sp_.FadeSplite(1, 2);
      if (s.kind == 2) sp_.FadeOutSplite(2);
      run(index, s.name);
    }
  }

 private:
  void run(int index, const char* name) {
    int frame = 0;
    bool more = true;
    while (more && !Application->Terminated()) {
      more = sp_.FadeExecute(false);
      show(index, name, frame++);
    }
    pause(600);
  }

  // Shows BkGnd and, when asked, writes it; frame -1 is the scene before the transition.
  void show(int index, const char* name, int frame) {
    sp_.DrawToScreen(true);
    if (!opt_.frames.empty()) {
      char file[64];
      std::snprintf(file, sizeof file, "%02d_%s_%03d.bmp", index, name, frame + 1);
      const std::string path = (std::filesystem::path(opt_.frames) / file).string();
      if (!SaveBitmapFile(path.c_str(), sp_.BkGnd))
        std::fprintf(stderr, "transitions_viewer: could not write %s\n", path.c_str());
    }
    pause(opt_.delay);
  }

  void pause(int ms) {
    const uint32_t start = timeGetTime();
    do {
      Application->ProcessMessages();
      if (ms > 0) Sleep(1);
    } while (!Application->Terminated() && int(timeGetTime() - start) < ms);
  }

  const Options& opt_;
  TSplPaint sp_;
};

bool parse(int argc, char** argv, Options& opt) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--frames" && hasValue) {
      opt.frames = argv[++i];
    } else if (a == "--delay" && hasValue) {
      opt.delay = std::atoi(argv[++i]);
    } else if (a == "--set" && hasValue) {
      opt.set = std::atoi(argv[++i]);
    } else if (a == "--only" && hasValue) {
      opt.only = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: transitions_viewer [--frames DIR] [--delay MS] [--set N] "
                   "[--only KIND]\n");
      return false;
    }
  }
  if (!opt.frames.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(opt.frames, ec);
    if (ec) {
      std::fprintf(stderr, "transitions_viewer: cannot make %s\n", opt.frames.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  if (!parse(argc, argv, opt)) return 2;
  if (!InstallSdlBackend()) return 1;
  int rc = 0;
  {
    TApplication app;
    ViewerForm form;
    app.MainForm = &form;
    form.SetCaption("transitions viewer");
    form.SetClientSize(kW, kH);
    form.CenterOnScreen();
    form.Show();
    Viewer viewer(opt, form);
    if (viewer.Setup())
      viewer.RunAll();
    else
      rc = 1;
  }
  UninstallSdlBackend();
  return rc;
}
