// A started main form over a game folder with generated pictures, for tests that drive the
// message window and the picture commands directly, frame by frame, outside the game loop.
//
//   PictureGame g;
//   g.SetScene(g.Solid(RGB(200, 100, 50)));   // all three scene images
//   g.f->DrawTextWindow();
//   EXPECT_EQ(g.sp().BkGnd.Pixel(300, 400), ...);
#pragma once
#include <cstdint>
#include <string>

#include "paint/splpaint.h"
#include "platform/pictures/bitmap.h"
#include "support/main_form_harness.h"

class PictureGame {
 public:
  // Writes the configuration (no message-window frame) and a one-node scenario, starts the
  // form and drops the posted start message, so the game loop never runs and every handler
  // called by the test runs on its own. Message processing inside a handler is then harmless.
  PictureGame();

  MainFormHarness h;
  TMainFrm* f = nullptr;
  TSplPaint& sp() { return *f->splPaintView; }

  // Pictures of the play area's size.
  static TBitmap Solid(TColor c, int32_t w = 640, int32_t h = 480);
  // Every pixel tells where it is: red = x mod 256, green = y mod 256, blue = 77.
  static TBitmap Gradient(int32_t w = 640, int32_t h = 480);

  // Writes grp/<name>.bmp (a 24-bit bitmap) into the game folder.
  bool WritePicture(const std::string& name, const TBitmap& picture);
  // The engine path of grp/<name>.<ext>, as the picture commands build it.
  std::string PicturePath(const std::string& name, const std::string& ext = "BMP");
  // Writes the picture and loads it into BkGnd, OrgBkGnd and Temp.
  bool SetScene(const TBitmap& picture, const std::string& name = "scene");
  // Writes a sprite and loads it into slot n at (x, y).
  bool SetSprite(int n, const TBitmap& picture, int32_t x, int32_t y, const std::string& name = "");
};
