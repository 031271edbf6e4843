#include "support/picture_game.h"

#include <gtest/gtest.h>

#include "support/pictures.h"
#include "support/scenario_builder.h"

PictureGame::PictureGame() {
  // An empty frame name: no message-window frame sprite.
  h.folder.Write("miravel.ini", "[GRP]\r\nFRAMEGRP=\r\n");
  h.folder.MakeDir("grp");
  EXPECT_TRUE(h.WriteScenario(ScenarioText({"first line", "second line"})));
  f = h.Start();
  if (!f) {
    ADD_FAILURE() << "the main form was not built";
    return;
  }
  EXPECT_FALSE(h.app.Terminated());
  // The start message is still queued; with destroying set it is dispatched without starting
  // the game loop.
  f->destroying = true;
  h.app.ProcessMessages();
  f->destroying = false;
}

TBitmap PictureGame::Solid(TColor c, int32_t w, int32_t h) { return SolidPicture(w, h, c); }

TBitmap PictureGame::Gradient(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), 77));
  return b;
}

bool PictureGame::WritePicture(const std::string& name, const TBitmap& picture) {
  return !WriteBmp(h.folder, "grp/" + name + ".bmp", picture).empty();
}

std::string PictureGame::PicturePath(const std::string& name, const std::string& ext) {
  char path[kPathBytes];
  f->picturePath(path, sizeof path, name.c_str(), ext.c_str());
  return path;
}

bool PictureGame::SetScene(const TBitmap& picture, const std::string& name) {
  if (!WritePicture(name, picture)) return false;
  return sp().LoadBkGnd(PicturePath(name).c_str(), true, 0);
}

bool PictureGame::SetSprite(int n, const TBitmap& picture, int32_t x, int32_t y,
                            const std::string& name) {
  const std::string file = name.empty() ? "sprite" + std::to_string(n) : name;
  if (!WritePicture(file, picture)) return false;
  if (!sp().LoadSplite(n, PicturePath(file).c_str())) return false;
  sp().MoveSplite(n, x, y);
  return true;
}
