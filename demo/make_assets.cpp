// Makes the demo game's pictures, music and sounds, so that no binary asset lives in the
// repository:
//
//   miravel-demo-assets GAMEDIR
//
// writes GAMEDIR/grp/*.BMP and *.JPG (640x480 24-bit backgrounds, green-keyed sprites, the
// message-window frame, the 480x360 pictures of the two ending rolls), GAMEDIR/bgm/0001.mid,
// 0002.mid and ENDING.MID (Standard MIDI Files that loop well)
// and GAMEDIR/wav/*.WAV (16-bit mono PCM). Everything is computed, so the output is the same on
// every run. Exit status 0 when every file was written.
//
//   miravel-demo-assets --icons DIR
//
// writes the program's icon as DIR/miravel-N.png for N = 16, 24, 32, 48, 64, 128 and 256
// (square RGBA pictures: a night sky with a crescent moon over a message window).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// An RGB picture held top row first.
struct Image {
  int w, h;
  std::vector<Rgb> px;
  Image(int width, int height, Rgb fill) : w(width), h(height), px(size_t(width) * height, fill) {}
  Rgb& at(int x, int y) { return px[size_t(y) * w + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  // Blends c over the pixel with coverage a (0..1).
  void plot(int x, int y, Rgb c, double a = 1.0) {
    if (!inside(x, y) || a <= 0) return;
    at(x, y) = mix(at(x, y), c, a);
  }
};

// Pure green: the colour the engine keys out of a sprite.
constexpr Rgb kKey{0, 255, 0};

void verticalGradient(Image& im, int y0, int y1, Rgb top, Rgb bottom) {
  for (int y = std::max(0, y0); y < std::min(im.h, y1); ++y) {
    Rgb c = mix(top, bottom, double(y - y0) / std::max(1, y1 - y0 - 1));
    for (int x = 0; x < im.w; ++x) im.at(x, y) = c;
  }
}

void fillRect(Image& im, int x0, int y0, int x1, int y1, Rgb c, double a = 1.0) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) im.plot(x, y, c, a);
}

// A filled ellipse. With smooth set its rim is antialiased; sprites draw hard rims so that no
// half-green pixel survives around the keyed area.
void ellipse(Image& im, double cx, double cy, double rx, double ry, Rgb c, double a = 1.0,
             bool smooth = true) {
  for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y) {
    for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
      double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      double d = std::sqrt(dx * dx + dy * dy);
      double edge = (1.0 - d) * std::min(rx, ry);  // distance inside the rim, in pixels
      double cover = smooth ? std::clamp(edge + 0.5, 0.0, 1.0) : (d <= 1.0 ? 1.0 : 0.0);
      im.plot(x, y, c, a * cover);
    }
  }
}

// A soft glow: coverage falls off from the centre.
void glow(Image& im, double cx, double cy, double r, Rgb c, double strength) {
  for (int y = int(cy - r); y <= int(cy + r); ++y)
    for (int x = int(cx - r); x <= int(cx + r); ++x) {
      double d = std::hypot(x - cx, y - cy) / r;
      if (d < 1) im.plot(x, y, c, strength * (1 - d) * (1 - d));
    }
}

// Deterministic pseudo-random numbers for stars, noise and windows.
struct Random {
  uint32_t s;
  explicit Random(uint32_t seed) : s(seed) {}
  uint32_t next() {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
  }
  double unit() { return (next() & 0xFFFF) / 65535.0; }
};

void stars(Image& im, int count, int maxY, uint32_t seed) {
  Random rnd(seed);
  for (int i = 0; i < count; ++i) {
    int x = rnd.next() % im.w, y = rnd.next() % std::max(1, maxY);
    double b = 0.4 + 0.6 * rnd.unit();
    im.plot(x, y, {255, 255, 235}, b);
    if (b > 0.9) {
      for (int d = -2; d <= 2; ++d) {
        im.plot(x + d, y, {255, 255, 235}, b * 0.5);
        im.plot(x, y + d, {255, 255, 235}, b * 0.5);
      }
    }
  }
}

// Rolling hills: everything below a sum of sines, shaded towards the bottom.
void hills(Image& im, double base, double amp, double freq, double phase, Rgb top, Rgb bottom) {
  for (int x = 0; x < im.w; ++x) {
    double crest = base + amp * std::sin(x * freq + phase) + amp * 0.4 * std::sin(x * freq * 2.7);
    for (int y = std::max(0, int(crest)); y < im.h; ++y) {
      double t = (y - crest) / std::max(1.0, im.h - crest);
      double a = std::clamp(y + 1 - crest, 0.0, 1.0);
      im.plot(x, y, mix(top, bottom, t), a);
    }
  }
}

// A 5x7 block font for the few Latin letters of the logo and the title.
const char* glyph(char c) {
  switch (c) {
    case 'A': return " ### #   ##   #######   ##   ##   #";
    case 'D': return "#### #   ##   ##   ##   ##   ##### ";
    case 'E': return "######    #    #### #    #    #####";
    case 'I': return " ###   #    #    #    #    #   ### ";
    case 'L': return "#    #    #    #    #    #    #####";
    case 'M': return "#   ### ### # ##   ##   ##   ##   #";
    case 'O': return " ### #   ##   ##   ##   ##   # ### ";
    case 'R': return "#### #   ##   ##### # #  #  # #   #";
    case 'V': return "#   ##   ##   ##   ##   # # #   #  ";
    default: return nullptr;
  }
}

// Draws text in the block font, each font pixel a rounded cell of `scale` pixels, centred on cx.
void blockText(Image& im, const std::string& text, int cx, int top, int scale, Rgb c,
               double shadow = 0.0) {
  int width = int(text.size()) * 6 * scale - scale;
  int left = cx - width / 2;
  for (int pass = shadow > 0 ? 0 : 1; pass < 2; ++pass) {
    int off = pass == 0 ? scale / 3 + 1 : 0;
    Rgb col = pass == 0 ? Rgb{0, 0, 0} : c;
    double a = pass == 0 ? shadow : 1.0;
    for (size_t i = 0; i < text.size(); ++i) {
      const char* g = glyph(text[i]);
      if (!g) continue;
      for (int row = 0; row < 7; ++row)
        for (int col2 = 0; col2 < 5; ++col2)
          if (g[row * 5 + col2] == '#') {
            double x = left + int(i) * 6 * scale + col2 * scale + off;
            double y = top + row * scale + off;
            ellipse(im, x + scale / 2.0, y + scale / 2.0, scale * 0.62, scale * 0.62, col, a);
          }
    }
  }
}

// ---- the pictures ----

Image makeLogo() {
  Image im(640, 480, {12, 10, 24});
  verticalGradient(im, 0, 480, {10, 8, 28}, {34, 20, 52});
  glow(im, 320, 200, 220, {120, 90, 200}, 0.35);
  // An emblem: a ring with a small moon inside.
  ellipse(im, 320, 170, 62, 62, {240, 220, 160});
  ellipse(im, 320, 170, 52, 52, {26, 18, 46});
  ellipse(im, 332, 162, 34, 34, {250, 236, 180});
  ellipse(im, 346, 152, 30, 30, {26, 18, 46});
  blockText(im, "MIRAVEL", 320, 270, 9, {245, 240, 255}, 0.6);
  return im;
}

Image makeTitle() {
  Image im(640, 480, {0, 0, 0});
  verticalGradient(im, 0, 480, {14, 18, 60}, {220, 130, 150});
  stars(im, 160, 260, 7);
  glow(im, 560, 220, 110, {255, 240, 200}, 0.35);
  ellipse(im, 560, 220, 36, 36, {255, 246, 210});
  ellipse(im, 578, 208, 32, 32, mix({14, 18, 60}, {220, 130, 150}, 220 / 480.0));
  hills(im, 360, 18, 0.012, 0.8, {70, 50, 110}, {30, 20, 60});
  hills(im, 400, 14, 0.02, 2.0, {40, 30, 80}, {16, 10, 36});
  blockText(im, "MIRAVEL", 320, 70, 11, {255, 250, 240}, 0.5);
  blockText(im, "DEMO", 320, 160, 5, {255, 214, 170}, 0.5);
  return im;
}

// Day meadow (bitmap background).
Image makeMeadow() {
  Image im(640, 480, {0, 0, 0});
  verticalGradient(im, 0, 480, {70, 140, 230}, {200, 230, 255});
  glow(im, 110, 90, 130, {255, 250, 210}, 0.6);
  ellipse(im, 110, 90, 34, 34, {255, 252, 225});
  const double clouds[][3] = {{300, 80, 1.0}, {500, 140, 0.8}, {200, 170, 0.6}};
  for (auto& c : clouds) {
    double s = c[2];
    ellipse(im, c[0], c[1], 60 * s, 22 * s, {255, 255, 255}, 0.9);
    ellipse(im, c[0] - 35 * s, c[1] + 6 * s, 38 * s, 16 * s, {255, 255, 255}, 0.9);
    ellipse(im, c[0] + 30 * s, c[1] - 10 * s, 34 * s, 20 * s, {255, 255, 255}, 0.9);
  }
  hills(im, 300, 20, 0.01, 0.0, {120, 190, 90}, {70, 150, 60});
  hills(im, 350, 16, 0.017, 1.5, {90, 170, 70}, {40, 110, 40});
  Random rnd(3);
  for (int i = 0; i < 90; ++i) {  // flowers
    int x = rnd.next() % 640, y = 370 + rnd.next() % 110;
    Rgb c = (i % 3 == 0) ? Rgb{255, 240, 120} : (i % 3 == 1) ? Rgb{255, 180, 200} : Rgb{255, 255, 255};
    ellipse(im, x, y, 3, 3, c);
  }
  return im;
}

// Seaside at sunset (JPEG background).
Image makeSeaside() {
  Image im(640, 480, {0, 0, 0});
  verticalGradient(im, 0, 280, {60, 40, 110}, {255, 150, 90});
  glow(im, 320, 280, 200, {255, 200, 120}, 0.6);
  ellipse(im, 320, 280, 56, 56, {255, 220, 140});
  hills(im, 268, 6, 0.05, 0.0, {90, 50, 90}, {90, 50, 90});  // far islands, cut by the sea
  verticalGradient(im, 280, 480, {180, 90, 90}, {30, 30, 80});
  for (int y = 284; y < 480; y += 6) {  // the sun's reflection on the waves
    double spread = 30 + (y - 280) * 0.5;
    double wobble = 10 * std::sin(y * 0.37);
    fillRect(im, int(320 - spread + wobble), y, int(320 + spread + wobble), y + 2,
             {255, 210, 150}, 0.45 * (1 - (y - 280) / 220.0));
  }
  verticalGradient(im, 440, 480, {200, 170, 130}, {160, 130, 100});  // the beach
  return im;
}

// A town at night (JPEG background).
Image makeNightTown() {
  Image im(640, 480, {0, 0, 0});
  verticalGradient(im, 0, 480, {8, 10, 40}, {50, 40, 90});
  stars(im, 220, 300, 11);
  ellipse(im, 120, 80, 30, 30, {250, 245, 220});
  glow(im, 120, 80, 90, {200, 210, 255}, 0.3);
  Random rnd(5);
  int x = 0;
  while (x < 640) {
    int w = 50 + rnd.next() % 60, top = 220 + rnd.next() % 140;
    Rgb wall = mix({20, 20, 45}, {40, 35, 70}, rnd.unit());
    fillRect(im, x, top, x + w - 4, 480, wall);
    for (int wy = top + 12; wy < 460; wy += 22)
      for (int wx = x + 8; wx < x + w - 14; wx += 16)
        if (rnd.next() % 3 == 0) fillRect(im, wx, wy, wx + 8, wy + 10, {255, 210, 120}, 0.9);
    x += w;
  }
  verticalGradient(im, 450, 480, {30, 28, 40}, {20, 18, 30});
  return im;
}

// A room with a window (bitmap background).
Image makeRoom() {
  Image im(640, 480, {0, 0, 0});
  verticalGradient(im, 0, 360, {250, 225, 190}, {220, 180, 140});
  verticalGradient(im, 360, 480, {150, 100, 70}, {110, 70, 50});
  for (int x = 0; x < 640; x += 80) fillRect(im, x, 360, x + 2, 480, {90, 60, 40});
  fillRect(im, 380, 60, 580, 260, {120, 80, 50});  // window frame
  for (int y = 70; y < 250; ++y) {
    Rgb c = mix({40, 50, 120}, {240, 150, 120}, (y - 70) / 180.0);
    for (int xx = 390; xx < 570; ++xx) im.at(xx, y) = c;
  }
  ellipse(im, 520, 110, 14, 14, {255, 250, 220});
  fillRect(im, 477, 70, 483, 250, {120, 80, 50});
  fillRect(im, 390, 157, 570, 163, {120, 80, 50});
  ellipse(im, 140, 330, 60, 14, {120, 80, 50});  // a small table with a lamp
  fillRect(im, 134, 330, 146, 400, {100, 66, 42});
  glow(im, 140, 260, 120, {255, 220, 140}, 0.5);
  ellipse(im, 140, 280, 30, 40, {255, 235, 170});
  return im;
}

// Mira, the guide: a girl with a ribbon, on pure green.
Image makeMira() {
  Image im(200, 360, kKey);
  const bool hard = false;
  ellipse(im, 100, 250, 70, 130, {240, 140, 170}, 1, hard);      // dress
  fillRect(im, 0, 355, 200, 360, kKey);
  ellipse(im, 100, 180, 44, 30, {250, 250, 250}, 1, hard);       // collar
  ellipse(im, 100, 110, 66, 74, {110, 70, 50}, 1, hard);         // hair
  ellipse(im, 100, 118, 50, 54, {255, 224, 200}, 1, hard);       // face
  fillRect(im, 52, 64, 148, 92, {110, 70, 50});                  // fringe
  ellipse(im, 80, 120, 7, 10, {60, 40, 90}, 1, hard);            // eyes
  ellipse(im, 120, 120, 7, 10, {60, 40, 90}, 1, hard);
  ellipse(im, 82, 116, 2, 3, {255, 255, 255}, 1, hard);
  ellipse(im, 122, 116, 2, 3, {255, 255, 255}, 1, hard);
  ellipse(im, 70, 140, 8, 5, {255, 180, 180}, 1, hard);          // cheeks
  ellipse(im, 130, 140, 8, 5, {255, 180, 180}, 1, hard);
  fillRect(im, 94, 150, 106, 153, {200, 90, 90});                // mouth
  ellipse(im, 62, 44, 20, 14, {230, 60, 90}, 1, hard);           // ribbon
  ellipse(im, 96, 44, 20, 14, {230, 60, 90}, 1, hard);
  ellipse(im, 79, 44, 8, 8, {250, 120, 140}, 1, hard);
  return im;
}

// Kuro, a black cat, on pure green.
Image makeCat() {
  Image im(160, 160, kKey);
  const bool hard = false;
  ellipse(im, 80, 120, 52, 38, {30, 28, 36}, 1, hard);   // body
  ellipse(im, 134, 98, 10, 36, {30, 28, 36}, 1, hard);   // tail
  ellipse(im, 80, 66, 40, 34, {30, 28, 36}, 1, hard);    // head
  for (int s : {-1, 1})                                   // ears
    for (int y = 0; y < 26; ++y)
      fillRect(im, 80 + s * 30 - (26 - y) / 2, 28 + y, 80 + s * 30 + (26 - y) / 2 + 1, 29 + y,
               {30, 28, 36});
  ellipse(im, 66, 64, 7, 9, {250, 220, 80}, 1, hard);     // eyes
  ellipse(im, 94, 64, 7, 9, {250, 220, 80}, 1, hard);
  fillRect(im, 65, 58, 68, 71, {10, 10, 10});
  fillRect(im, 93, 58, 96, 71, {10, 10, 10});
  ellipse(im, 80, 78, 4, 3, {240, 150, 170}, 1, hard);    // nose
  return im;
}

// ---- the ending pictures (480x360 JPEG, shown beside the credits) ----

// Mira as a silhouette standing on the ground line baseY, centred on cx; scale 1 is about
// 120 pixels tall. With wave set, her right arm is raised.
void girlSilhouette(Image& im, double cx, double baseY, double s, Rgb c, bool wave = false) {
  ellipse(im, cx - 8 * s, baseY - 10 * s, 4 * s, 12 * s, c);                 // legs
  ellipse(im, cx + 8 * s, baseY - 10 * s, 4 * s, 12 * s, c);
  for (int y = int(baseY - 70 * s); y < int(baseY - 18 * s); ++y) {        // dress, a bell
    double t = (y - (baseY - 70 * s)) / (52 * s);
    double half = (10 + 24 * t * t + 6 * t) * s;
    fillRect(im, int(cx - half), y, int(cx + half + 1), y + 1, c);
  }
  ellipse(im, cx, baseY - 72 * s, 6 * s, 6 * s, c);                        // neck
  ellipse(im, cx, baseY - 90 * s, 15 * s, 17 * s, c);                      // head and hair
  ellipse(im, cx, baseY - 84 * s, 18 * s, 11 * s, c);
  ellipse(im, cx - 13 * s, baseY - 107 * s, 8 * s, 5 * s, c);              // ribbon
  ellipse(im, cx + 1 * s, baseY - 108 * s, 8 * s, 5 * s, c);
  const double armY = baseY - 66 * s;
  for (int i = 0; i <= 24; ++i) {
    double t = i / 24.0;
    double lx = cx - (10 + 14 * t) * s, ly = armY + 24 * t * s;             // left arm, down
    ellipse(im, lx, ly, 2.5 * s, 2.5 * s, c);
    double rx = cx + (10 + (wave ? 16 : 14) * t) * s;
    double ry = wave ? armY - 30 * t * s : armY + 24 * t * s;                // right arm
    ellipse(im, rx, ry, 2.5 * s, 2.5 * s, c);
  }
  if (wave) ellipse(im, cx + 26 * s, armY - 32 * s, 4 * s, 4 * s, c);
}

// Kuro as a sitting silhouette, centred on cx, sitting on baseY; scale 1 is about 60 pixels.
void catSilhouette(Image& im, double cx, double baseY, double s, Rgb c) {
  ellipse(im, cx, baseY - 20 * s, 20 * s, 22 * s, c);                      // body
  ellipse(im, cx, baseY - 46 * s, 14 * s, 12 * s, c);                      // head
  for (int side : {-1, 1})                                                   // ears
    for (int y = 0; y < int(12 * s); ++y) {
      double half = (12 * s - y) * 0.45;
      double ex = cx + side * 9 * s;
      fillRect(im, int(ex - half), int(baseY - 54 * s - 10 * s + y), int(ex + half + 1),
               int(baseY - 54 * s - 10 * s + y + 1), c);
    }
  for (int i = 0; i <= 30; ++i) {                                           // tail, curling up
    double t = i / 30.0;
    ellipse(im, cx + (18 + 14 * std::sin(t * 2.2)) * s, baseY - (2 + 30 * t * t) * s, 3 * s,
            3 * s, c);
  }
}

// Route one, first picture: the sun setting into the sea, Mira on the beach.
Image makeEndSunset() {
  Image im(480, 360, {0, 0, 0});
  verticalGradient(im, 0, 220, {70, 40, 120}, {255, 140, 70});
  glow(im, 240, 214, 170, {255, 190, 110}, 0.7);
  ellipse(im, 240, 214, 40, 40, {255, 226, 150});
  verticalGradient(im, 214, 300, {150, 70, 80}, {40, 30, 80});
  for (int y = 216; y < 300; y += 4) {  // the sun's path on the water
    double spread = 18 + (y - 214) * 0.7;
    fillRect(im, int(240 - spread + 6 * std::sin(y * 0.5)), y, int(240 + spread), y + 2,
             {255, 200, 130}, 0.5 * (1 - (y - 214) / 90.0));
  }
  hills(im, 296, 4, 0.02, 0.5, {60, 36, 50}, {30, 20, 36});  // the beach, in shadow
  girlSilhouette(im, 330, 318, 0.95, {22, 14, 30});
  return im;
}

// Route one, second picture: dusk, the first stars, Mira waving goodbye.
Image makeEndDusk() {
  Image im(480, 360, {0, 0, 0});
  verticalGradient(im, 0, 230, {20, 22, 70}, {190, 100, 140});
  stars(im, 60, 140, 21);
  ellipse(im, 380, 60, 16, 16, {255, 246, 210});  // a crescent moon
  ellipse(im, 388, 54, 15, 15, mix({20, 22, 70}, {190, 100, 140}, 56 / 230.0));
  verticalGradient(im, 230, 300, {90, 60, 110}, {30, 26, 70});
  for (int y = 234; y < 300; y += 5)
    fillRect(im, 60 + (y * 37) % 90, y, 160 + (y * 53) % 200, y + 1, {220, 170, 200}, 0.25);
  hills(im, 292, 6, 0.015, 2.0, {50, 34, 60}, {24, 18, 34});
  girlSilhouette(im, 150, 320, 0.9, {18, 12, 26}, true);
  return im;
}

// Route one, last picture: the night sky over the sea with a shooting star.
Image makeEndNightSea() {
  Image im(480, 360, {0, 0, 0});
  verticalGradient(im, 0, 250, {4, 6, 26}, {30, 34, 80});
  Random band(100);
  for (int i = 0; i < 2400; ++i) {  // a faint band of the Milky Way, diagonal
    double t = band.unit(), off = (band.unit() + band.unit() + band.unit() - 1.5) * 45;
    im.plot(int(t * 480), int(40 + t * 140 + off), {200, 200, 255}, 0.1 + 0.2 * band.unit());
  }
  glow(im, 240, 110, 160, {120, 110, 190}, 0.12);
  stars(im, 260, 250, 33);
  for (int i = 0; i < 40; ++i)  // the shooting star and its trail
    ellipse(im, 120 + i * 3.0, 50 + i * 1.2, 1.5, 1.5, {255, 255, 230}, i / 40.0);
  glow(im, 240, 250, 200, {80, 90, 160}, 0.3);
  verticalGradient(im, 250, 360, {24, 28, 70}, {6, 8, 24});
  stars(im, 40, 100, 34);  // the same sparkle on the water, below
  for (int y = 252; y < 360; y += 6)
    fillRect(im, 0, y, 480, y + 1, {120, 130, 200}, 0.12);
  return im;
}

// Route two, first picture: the town at night under a big moon, Kuro on a roof.
Image makeEndStarryTown() {
  Image im(480, 360, {0, 0, 0});
  verticalGradient(im, 0, 360, {6, 8, 34}, {46, 36, 86});
  stars(im, 180, 240, 41);
  glow(im, 330, 110, 110, {200, 210, 255}, 0.35);
  ellipse(im, 330, 110, 46, 46, {250, 246, 226});
  Random rnd(43);
  int x = -10;
  while (x < 480) {
    int w = 40 + rnd.next() % 50, top = 200 + rnd.next() % 100;
    fillRect(im, x, top, x + w - 3, 360, mix({16, 16, 38}, {34, 30, 62}, rnd.unit()));
    for (int wy = top + 10; wy < 350; wy += 18)
      for (int wx = x + 6; wx < x + w - 12; wx += 13)
        if (rnd.next() % 3 == 0) fillRect(im, wx, wy, wx + 6, wy + 8, {255, 214, 130}, 0.9);
    x += w;
  }
  fillRect(im, 280, 160, 390, 360, {14, 12, 30});  // a taller house against the moon
  for (int y = 0; y < 40; ++y) fillRect(im, 280 + y, 160 - y, 390 - y, 161 - y, {14, 12, 30});
  catSilhouette(im, 322, 132, 1.0, {8, 6, 18});
  return im;
}

// Route two, second picture: home at night, the lamp lit, rain on the window, Kuro asleep.
Image makeEndRoomNight() {
  Image im(480, 360, {0, 0, 0});
  verticalGradient(im, 0, 270, {90, 66, 60}, {70, 50, 46});
  verticalGradient(im, 270, 360, {70, 46, 34}, {44, 28, 22});
  fillRect(im, 260, 40, 440, 220, {60, 40, 28});  // the window: frame, then the night glass
  for (int y = 50; y < 210; ++y)
    fillRect(im, 270, y, 430, y + 1, mix({10, 14, 40}, {30, 30, 70}, (y - 50) / 160.0));
  Random rnd(51);
  for (int i = 0; i < 70; ++i) {  // raindrops on the glass
    int rx = 272 + int(rnd.next() % 156), ry = 52 + int(rnd.next() % 154);
    fillRect(im, rx, ry, rx + 1, ry + 5, {170, 180, 230}, 0.6);
  }
  fillRect(im, 347, 50, 353, 210, {60, 40, 28});
  fillRect(im, 270, 127, 430, 133, {60, 40, 28});
  glow(im, 110, 170, 170, {255, 200, 120}, 0.65);  // the lamp
  ellipse(im, 110, 190, 28, 36, {255, 232, 170});
  fillRect(im, 106, 226, 114, 300, {70, 46, 30});
  ellipse(im, 110, 300, 44, 10, {90, 60, 40});
  ellipse(im, 250, 318, 80, 22, {150, 60, 70});    // a cushion with Kuro asleep on it
  ellipse(im, 250, 300, 46, 22, {24, 22, 30});
  ellipse(im, 286, 296, 16, 14, {24, 22, 30});
  ellipse(im, 214, 306, 24, 6, {24, 22, 30});
  return im;
}

// Route two, last picture: morning over the rooftops after the rain.
Image makeEndMorning() {
  Image im(480, 360, {0, 0, 0});
  verticalGradient(im, 0, 360, {120, 170, 230}, {255, 220, 190});
  glow(im, 100, 250, 180, {255, 240, 200}, 0.7);
  ellipse(im, 100, 250, 30, 30, {255, 250, 230});
  for (int i = 0; i < 6; ++i) {  // a faint rainbow
    Rgb band[] = {{255, 120, 120}, {255, 190, 110}, {255, 240, 130},
                  {140, 220, 140}, {130, 170, 255}, {180, 130, 230}};
    for (int a = 0; a < 600; ++a) {
      double t = kPi * a / 600.0, rad = 230 - i * 6;
      im.plot(int(330 + rad * std::cos(t)), int(330 - rad * std::sin(t)), band[i], 0.25);
      im.plot(int(330 + (rad - 3) * std::cos(t)), int(330 - (rad - 3) * std::sin(t)), band[i],
              0.25);
    }
  }
  Random rnd(61);
  int x = -10;
  while (x < 480) {  // rooftops, warm in the morning light
    int w = 50 + rnd.next() % 40, top = 250 + rnd.next() % 60;
    Rgb wall = mix({200, 170, 150}, {170, 140, 130}, rnd.unit());
    fillRect(im, x, top, x + w - 3, 360, wall);
    for (int y = 0; y < 14; ++y)
      fillRect(im, x - 2 + y, top - 14 + y, x + w - 1 - y, top - 13 + y, {170, 80, 70});
    x += w;
  }
  return im;
}

// The message-window frame, placed by FRAMEPOS at (4, 339). It surrounds every rectangle the
// window's text uses (the darkened area (16,348)-(626,468), the text and speaker name from
// (24,356), the choice question and answers from (16,348) to (624,460)) with a margin, and its
// top edge stays below the backlog buttons, which end at y 342 with their glyphs ending above
// y 339. Outside the border and inside the darkened area it is green, so the scene shows
// through; the band between the border and the darkened area is filled dark so that the
// window reads as one panel.
constexpr int kFrameX = 4, kFrameY = 339;
constexpr int kWindowL = 16, kWindowT = 348, kWindowR = 626, kWindowB = 468;

Image makeFrame() {
  Image im(632, 138, kKey);
  const int r = 12;
  const int wl = kWindowL - kFrameX, wt = kWindowT - kFrameY;
  const int wr = kWindowR - kFrameX, wb = kWindowB - kFrameY;
  for (int y = 0; y < im.h; ++y)
    for (int x = 0; x < im.w; ++x) {
      int cx = std::clamp(x, r, im.w - 1 - r), cy = std::clamp(y, r, im.h - 1 - r);
      double d = std::hypot(x - cx, y - cy);
      double edge = std::min({double(x), double(y), double(im.w - 1 - x), double(im.h - 1 - y)});
      bool corner = (x < r || x > im.w - 1 - r) && (y < r || y > im.h - 1 - r);
      double depth = corner ? r - d : edge;  // distance in from the outer rim
      if (depth < 0) continue;              // outside the rounded corner: keyed
      if (depth < 2) im.at(x, y) = {250, 236, 200};
      else if (depth < 4) im.at(x, y) = {150, 110, 170};
      else if (depth < 5) im.at(x, y) = {250, 236, 200};
      else if (x < wl || x >= wr || y < wt || y >= wb) im.at(x, y) = {28, 22, 46};
    }
  // Small diamonds on the border: two at the left of the top edge, two at the right of the
  // bottom edge (the top right lies under the backlog buttons).
  for (int i = 0; i < 4; ++i) {
    int cx = i < 2 ? 36 + i * 14 : im.w - 36 - (i - 2) * 14;
    int cy = i < 2 ? 2 : im.h - 3;  // on the middle of the border
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -(3 - std::abs(dy)); dx <= 3 - std::abs(dy); ++dx)
        im.at(cx + dx, cy + dy) = {255, 210, 120};
  }
  return im;
}

// ---- writers ----

uint8_t byte(double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
  return ok;
}

// A 24-bit bottom-up Windows bitmap.
bool writeBmp(const std::string& path, const Image& im) {
  uint32_t stride = (uint32_t(im.w) * 3 + 3) & ~3u;
  uint32_t dataSize = stride * im.h;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  put32(b, 54 + dataSize);
  put32(b, 0);
  put32(b, 54);
  put32(b, 40);
  put32(b, im.w);
  put32(b, im.h);
  put16(b, 1);
  put16(b, 24);
  put32(b, 0);
  put32(b, dataSize);
  put32(b, 2835);
  put32(b, 2835);
  put32(b, 0);
  put32(b, 0);
  for (int y = im.h - 1; y >= 0; --y) {
    for (int x = 0; x < im.w; ++x) {
      const Rgb& c = im.px[size_t(y) * im.w + x];
      b.push_back(byte(c.b));
      b.push_back(byte(c.g));
      b.push_back(byte(c.r));
    }
    for (uint32_t p = uint32_t(im.w) * 3; p < stride; ++p) b.push_back(0);
  }
  return writeFile(path, b);
}

bool writeJpeg(const std::string& path, const Image& im) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
    return false;
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);  // the default handler exits on error, fine for a tool
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = im.w;
  cinfo.image_height = im.h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(im.w) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = int(cinfo.next_scanline);
    for (int x = 0; x < im.w; ++x) {
      const Rgb& c = im.px[size_t(y) * im.w + x];
      row[x * 3] = byte(c.r);
      row[x * 3 + 1] = byte(c.g);
      row[x * 3 + 2] = byte(c.b);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  bool ok = std::fclose(f) == 0;
  if (!ok) std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
  return ok;
}

// ---- music ----

struct NoteEvent {
  uint32_t tick;
  uint8_t status, a, b;
};

void putVarLen(std::vector<uint8_t>& b, uint32_t v) {
  uint8_t buf[5];
  int n = 0;
  buf[n++] = v & 0x7F;
  while (v >>= 7) buf[n++] = 0x80 | (v & 0x7F);
  while (n) b.push_back(buf[--n]);
}

// A melody as "note:length" pairs, note names with octave (C5, F#4) or "R" for a rest, lengths
// in eighth notes.
int noteNumber(const std::string& name) {
  static const int base[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.empty() || name[0] < 'A' || name[0] > 'G') return -1;
  int n = base[name[0] - 'A'];
  size_t i = 1;
  if (i < name.size() && name[i] == '#') n++, i++;
  int octave = i < name.size() ? name[i] - '0' : 4;
  return 12 * (octave + 1) + n;
}

void addLine(std::vector<NoteEvent>& ev, uint8_t channel, uint8_t velocity, const char* line,
             uint32_t ticksPerEighth) {
  uint32_t t = 0;
  std::string s(line);
  size_t pos = 0;
  while (pos < s.size()) {
    size_t end = s.find(' ', pos);
    if (end == std::string::npos) end = s.size();
    std::string tok = s.substr(pos, end - pos);
    pos = end + 1;
    size_t colon = tok.find(':');
    if (tok.empty() || colon == std::string::npos) continue;
    uint32_t len = uint32_t(std::stoi(tok.substr(colon + 1))) * ticksPerEighth;
    int n = noteNumber(tok.substr(0, colon));
    if (n >= 0) {
      ev.push_back({t, uint8_t(0x90 | channel), uint8_t(n), velocity});
      ev.push_back({t + len - ticksPerEighth / 8, uint8_t(0x80 | channel), uint8_t(n), 0});
    }
    t += len;
  }
}

// One part of a piece: its General MIDI program, its loudness and its notes.
struct Voice {
  uint8_t program, velocity, volume;
  const char* notes;
};

// A format-0 Standard MIDI File: tempo, then each voice on its own channel (0, 1, ...).
std::vector<uint8_t> makeMidi(uint32_t usPerQuarter, const std::vector<Voice>& voices) {
  const uint32_t division = 96, eighth = division / 2;
  std::vector<NoteEvent> ev;
  for (size_t v = 0; v < voices.size(); ++v)
    addLine(ev, uint8_t(v), voices[v].velocity, voices[v].notes, eighth);
  std::stable_sort(ev.begin(), ev.end(), [](const NoteEvent& x, const NoteEvent& y) {
    if (x.tick != y.tick) return x.tick < y.tick;
    return (x.status & 0xF0) == 0x80 && (y.status & 0xF0) != 0x80;  // note-offs first
  });
  std::vector<uint8_t> trk;
  auto meta = [&](uint8_t type, std::vector<uint8_t> data) {
    trk.push_back(0);
    trk.push_back(0xFF);
    trk.push_back(type);
    putVarLen(trk, uint32_t(data.size()));
    trk.insert(trk.end(), data.begin(), data.end());
  };
  meta(0x51, {uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)});
  for (size_t v = 0; v < voices.size(); ++v) {  // program, channel volume, reverb
    const uint8_t ch = uint8_t(v);
    const uint8_t setup[] = {0, uint8_t(0xC0 | ch), voices[v].program,
                             0, uint8_t(0xB0 | ch), 7,  voices[v].volume,
                             0, uint8_t(0xB0 | ch), 91, uint8_t(v == 0 ? 60 : 70)};
    trk.insert(trk.end(), std::begin(setup), std::end(setup));
  }
  uint32_t now = 0;
  for (const NoteEvent& e : ev) {
    putVarLen(trk, e.tick - now);
    now = e.tick;
    trk.push_back(e.status);
    trk.push_back(e.a);
    trk.push_back(e.b);
  }
  putVarLen(trk, eighth);  // a short breath before the loop starts again
  trk.push_back(0xFF);
  trk.push_back(0x2F);
  trk.push_back(0);

  std::vector<uint8_t> b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, uint8_t(division)};
  const uint8_t hdr[] = {'M', 'T', 'r', 'k'};
  b.insert(b.end(), std::begin(hdr), std::end(hdr));
  uint32_t n = uint32_t(trk.size());
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(n >> s));
  b.insert(b.end(), trk.begin(), trk.end());
  return b;
}

// ---- sounds ----

constexpr int kRate = 22050;

std::vector<uint8_t> makeWav(const std::vector<double>& samples) {
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
  uint32_t data = uint32_t(samples.size()) * 2;
  put32(b, 36 + data);
  for (char c : std::string("WAVEfmt ")) b.push_back(uint8_t(c));
  put32(b, 16);
  put16(b, 1);  // PCM
  put16(b, 1);  // mono
  put32(b, kRate);
  put32(b, kRate * 2);
  put16(b, 2);
  put16(b, 16);
  for (char c : std::string("data")) b.push_back(uint8_t(c));
  put32(b, data);
  for (double s : samples) put16(b, uint16_t(int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 30000))));
  return b;
}

// A bell: a few inharmonic partials, each dying away at its own rate.
std::vector<double> bell() {
  std::vector<double> s(size_t(kRate * 1.6));
  const double partials[][3] = {{880, 0.5, 2.5}, {1760 * 1.19, 0.25, 4}, {880 * 2.76, 0.15, 6},
                                {440, 0.2, 1.8}};
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate, v = 0;
    for (auto& p : partials) v += p[1] * std::sin(2 * kPi * p[0] * t) * std::exp(-p[2] * t);
    s[i] = v * std::min(1.0, t * 400);
  }
  return s;
}

// Waves on a beach: low-passed noise swelling twice per loop; the swell is periodic in the
// loop's length so the loop has no seam in loudness.
std::vector<double> waves() {
  const size_t n = size_t(kRate * 4);
  std::vector<double> s(n);
  Random rnd(42);
  double lp1 = 0, lp2 = 0;
  for (size_t i = 0; i < n; ++i) {
    double white = rnd.unit() * 2 - 1;
    lp1 += 0.08 * (white - lp1);
    lp2 += 0.3 * (white - lp2);
    double swell = 0.5 - 0.5 * std::cos(2 * kPi * 2 * double(i) / n);
    s[i] = (lp1 * 1.6 + lp2 * 0.25 * swell) * (0.25 + 0.75 * swell);
  }
  for (size_t i = 0; i < 512; ++i) {  // tie the ends together
    double t = i / 512.0;
    s[i] *= t;
    s[n - 1 - i] *= t;
  }
  return s;
}

// A cat's "meow": a pitch glide with a nasal formant.
std::vector<double> meow() {
  std::vector<double> s(size_t(kRate * 0.6));
  double phase = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate, u = t / 0.6;
    double f = 520 + 380 * std::sin(kPi * std::min(1.0, u * 1.3));
    phase += 2 * kPi * f / kRate;
    double env = std::sin(kPi * u);
    s[i] = env * (0.6 * std::sin(phase) + 0.25 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase));
  }
  return s;
}

// ---- the program's icon ----

// A PNG file of RGBA pixels (top row first, 4 bytes each), its image data kept in stored (not
// compressed) deflate blocks: a valid zlib stream that needs no compressor.
uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
  static uint32_t table[256];
  static bool made = false;
  if (!made) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    made = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBig32(std::vector<uint8_t>& b, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
}

void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  putBig32(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  putBig32(out, crc32(out.data() + start, out.size() - start));
}

std::vector<uint8_t> makePng(int w, int h, const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> raw;  // each row: filter type 0, then its pixels
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgba.begin() + size_t(y) * w * 4, rgba.begin() + size_t(y + 1) * w * 4);
  }
  std::vector<uint8_t> z{0x78, 0x01};
  for (size_t at = 0; at < raw.size();) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    put16(z, uint32_t(n));
    put16(z, uint32_t(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  putBig32(z, (b << 16) | a);

  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  putBig32(ihdr, uint32_t(w));
  putBig32(ihdr, uint32_t(h));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, not interlaced
  pngChunk(out, "IHDR", ihdr);
  pngChunk(out, "IDAT", z);
  pngChunk(out, "IEND", {});
  return out;
}

struct Rgba {
  Rgb c;
  double a;
};

// Paints c with coverage a over dst (straight alpha).
void over(Rgba& dst, Rgb c, double a) {
  if (a <= 0) return;
  double outA = a + dst.a * (1 - a);
  if (outA <= 0) return;
  Rgb mixed{c.r * a + dst.c.r * dst.a * (1 - a), c.g * a + dst.c.g * dst.a * (1 - a),
            c.b * a + dst.c.b * dst.a * (1 - a)};
  dst = {{mixed.r / outA, mixed.g / outA, mixed.b / outA}, outA};
}

bool inRoundedRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
  if (x < x0 || x > x1 || y < y0 || y > y1) return false;
  double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

bool inCircle(double x, double y, double cx, double cy, double r) {
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

// The icon at one point of the unit square (x, y in 0..1, y downward).
Rgba iconPoint(double x, double y) {
  Rgba p{{0, 0, 0}, 0};
  if (!inRoundedRect(x, y, 0.04, 0.04, 0.96, 0.96, 0.18)) return p;
  over(p, mix(Rgb{28, 30, 88}, Rgb{150, 84, 150}, (y - 0.04) / 0.92), 1);
  const double star[][3] = {{0.22, 0.2, 0.025}, {0.38, 0.12, 0.018}, {0.47, 0.3, 0.02},
                            {0.15, 0.4, 0.016}, {0.88, 0.5, 0.016}};
  for (const auto& s : star)
    if (inCircle(x, y, s[0], s[1], s[2])) over(p, Rgb{255, 250, 220}, 1);
  if (inCircle(x, y, 0.68, 0.3, 0.17) && !inCircle(x, y, 0.75, 0.24, 0.15))
    over(p, Rgb{255, 226, 140}, 1);
  if (inRoundedRect(x, y, 0.12, 0.56, 0.88, 0.88, 0.07)) {
    over(p, Rgb{255, 255, 255}, 0.92);
    if (inRoundedRect(x, y, 0.2, 0.64, 0.74, 0.69, 0.025) ||
        inRoundedRect(x, y, 0.2, 0.75, 0.56, 0.8, 0.025))
      over(p, Rgb{70, 60, 110}, 1);
  }
  return p;
}

// The icon at n x n pixels, each pixel the mean of 8 x 8 samples (colours weighted by alpha).
std::vector<uint8_t> makeIcon(int n) {
  constexpr int kSub = 8;
  std::vector<uint8_t> rgba;
  for (int py = 0; py < n; ++py) {
    for (int px = 0; px < n; ++px) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          Rgba s = iconPoint((px + (sx + 0.5) / kSub) / n, (py + (sy + 0.5) / kSub) / n);
          r += s.c.r * s.a;
          g += s.c.g * s.a;
          b += s.c.b * s.a;
          a += s.a;
        }
      }
      rgba.push_back(a > 0 ? byte(r / a) : 0);
      rgba.push_back(a > 0 ? byte(g / a) : 0);
      rgba.push_back(a > 0 ? byte(b / a) : 0);
      rgba.push_back(byte(255 * a / (kSub * kSub)));
    }
  }
  return rgba;
}

bool writeIcons(const std::string& dir) {
  bool ok = true;
  for (int n : {16, 24, 32, 48, 64, 128, 256})
    ok &= writeFile(dir + "/miravel-" + std::to_string(n) + ".png", makePng(n, n, makeIcon(n)));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icons") return writeIcons(argv[2]) ? 0 : 1;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s GAMEDIR\n       %s --icons DIR\n", argv[0], argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::string grp = dir + "/grp/", bgm = dir + "/bgm/", wav = dir + "/wav/";
  bool ok = true;
  ok &= writeBmp(grp + "LOGO.BMP", makeLogo());
  ok &= writeBmp(grp + "TITLE.BMP", makeTitle());
  ok &= writeBmp(grp + "MEADOW.BMP", makeMeadow());
  ok &= writeBmp(grp + "ROOM.BMP", makeRoom());
  ok &= writeJpeg(grp + "SEASIDE.JPG", makeSeaside());
  ok &= writeJpeg(grp + "TOWN.JPG", makeNightTown());
  ok &= writeBmp(grp + "MIRA.BMP", makeMira());
  ok &= writeBmp(grp + "KURO.BMP", makeCat());
  ok &= writeBmp(grp + "TEXTFORM.BMP", makeFrame());
  ok &= writeJpeg(grp + "END1A.JPG", makeEndSunset());
  ok &= writeJpeg(grp + "END1B.JPG", makeEndDusk());
  ok &= writeJpeg(grp + "END1C.JPG", makeEndNightSea());
  ok &= writeJpeg(grp + "END2A.JPG", makeEndStarryTown());
  ok &= writeJpeg(grp + "END2B.JPG", makeEndRoomNight());
  ok &= writeJpeg(grp + "END2C.JPG", makeEndMorning());
  // A gentle waltz-like tune for the day and a slow one for the evening.
  ok &= writeFile(bgm + "0001.mid",
                  makeMidi(500000, {{10, 96, 110,
                                     "E5:2 G5:2 C6:4 B5:2 G5:2 A5:4 G5:2 E5:2 F5:2 E5:2 D5:4 R:2 "
                                     "E5:2 G5:2 C6:4 D6:2 B5:2 C6:4 A5:2 G5:2 E5:2 D5:2 C5:6 R:2"},
                                    {48, 70, 90, "C3:8 F3:8 C3:8 G3:8 C3:8 G3:8 A3:8 C3:8"}}));
  ok &= writeFile(bgm + "0002.mid",
                  makeMidi(700000, {{11, 96, 110,
                                     "A4:4 C5:2 E5:2 D5:4 C5:4 B4:4 G4:4 A4:8 "
                                     "E5:4 D5:2 C5:2 B4:4 C5:2 D5:2 E5:6 A4:2 A4:8"},
                                    {89, 70, 90, "A2:8 F2:8 G2:8 A2:8 C3:8 G2:8 E2:8 A2:8"}}));
  // The ending roll's piece: sixteen bars at 80 beats a minute (48 s), a flute over strings
  // and a harp's broken chords, ending on the tonic so that it loops without a seam.
  ok &= writeFile(bgm + "ENDING.MID",
                  makeMidi(750000, {{73, 92, 104,
                                     "E5:2 D5:1 C5:1 D5:2 E5:2 D5:4 B4:2 G4:2 "
                                     "C5:2 B4:1 A4:1 B4:2 C5:2 B4:6 R:2 "
                                     "A4:2 C5:2 F5:2 E5:2 E5:2 G5:2 C6:4 "
                                     "A5:2 G5:2 F5:2 E5:2 D5:6 R:2 "
                                     "G5:3 E5:1 C5:2 E5:2 D5:2 B4:2 D5:2 G5:2 "
                                     "A5:3 G5:1 E5:2 C5:2 B4:4 G4:4 "
                                     "A4:2 C5:2 F5:3 E5:1 E5:2 D5:2 C5:2 E5:2 "
                                     "D5:4 G4:2 B4:2 C5:6 R:2"},
                                    {48, 60, 80,
                                     "C4:8 B3:8 A3:8 G3:8 F3:8 E3:8 F3:8 G3:8 "
                                     "C4:8 B3:8 A3:8 G3:8 F3:8 E3:8 F3:4 G3:4 C4:8"},
                                    {46, 64, 84,
                                     "C3:2 G3:2 E4:2 G3:2 G2:2 D3:2 B3:2 D3:2 "
                                     "A2:2 E3:2 C4:2 E3:2 E2:2 B2:2 G3:2 B2:2 "
                                     "F2:2 C3:2 A3:2 C3:2 C3:2 G3:2 E4:2 G3:2 "
                                     "F2:2 C3:2 A3:2 C3:2 G2:2 D3:2 B3:2 D3:2 "
                                     "C3:2 G3:2 E4:2 G3:2 G2:2 D3:2 B3:2 D3:2 "
                                     "A2:2 E3:2 C4:2 E3:2 E2:2 B2:2 G3:2 B2:2 "
                                     "F2:2 C3:2 A3:2 C3:2 C3:2 G3:2 E4:2 G3:2 "
                                     "F2:2 C3:2 G2:2 D3:2 C3:2 G3:2 C4:4"}}));
  ok &= writeFile(wav + "BELL.WAV", makeWav(bell()));
  ok &= writeFile(wav + "WAVES.WAV", makeWav(waves()));
  ok &= writeFile(wav + "MEOW.WAV", makeWav(meow()));
  return ok ? 0 : 1;
}
