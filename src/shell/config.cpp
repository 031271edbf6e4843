// The configuration file: folders, picture names and extensions, the caption and the
// message-window frame picture.
#include "shell/config.h"

#include <cstdio>
#include <cstring>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "platform/files/ini.h"
#include "shell/game_folder.h"
#include "shell/main_form.h"

namespace {

// One field of a comma-separated value read as digits only (saturating at INT32_MAX).
int32_t digitsOfField(const char* value, int field) {
  int k = 0;
  const char* p = value;
  while (*p && k < field) {
    if (*p == ',') ++k;
    ++p;
  }
  if (k < field) return 0;
  int64_t n = 0;
  for (; *p && *p != ','; ++p) {
    if (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p - '0');
      if (n > INT32_MAX) n = INT32_MAX;
    }
  }
  return static_cast<int32_t>(n);
}

void readString(const char* section, const char* key, const char* def, char* out, const char* ini) {
  GetPrivateProfileStringA(section, key, def, out, kPathBytes, ini);
}

}  // namespace

void ParseFramePos(const char* value, int32_t* x, int32_t* y) {
  *x = digitsOfField(value, 0);
  *y = digitsOfField(value, 1);
}

bool TMainFrm::LoadConfig() {
  // 1.-2. The game folder, the save folder and the INI path.
  TGameFolder folder = LocateGameFolder();
  CopyCut(ProgramDir, sizeof ProgramDir, folder.ProgramDir.c_str());
  CopyCut(SaveDir, sizeof SaveDir, folder.SaveDir.c_str());
  CopyCut(IniPath, sizeof IniPath, folder.IniPath.c_str());

  // 3. The three folders, relative to the program folder, each ending in a backslash.
  ReadGameFolder(gfPictures, ProgramDir, IniPath, GrpDir, sizeof GrpDir);
  ReadGameFolder(gfMusic, ProgramDir, IniPath, BgmDir, sizeof BgmDir);
  ReadGameFolder(gfSounds, ProgramDir, IniPath, WavDir, sizeof WavDir);
  char value[kPathBytes];

  // 4. Logo and title pictures.
  readString("GRP", "LOGO", "LOGO", value, IniPath);
  CopyCut(LogoPath, sizeof LogoPath, GrpDir);
  AppendCut(LogoPath, sizeof LogoPath, value[0] ? value : "LOGO");
  readString("GRP", "TITLE", "TITLE", value, IniPath);
  CopyCut(TitlePath, sizeof TitlePath, GrpDir);
  AppendCut(TitlePath, sizeof TitlePath, value[0] ? value : "0000");

  // 5. Extensions.
  // (An empty EXTB becomes "BMP" here already; nothing below reads it before step 6.)
  ReadPictureExtensions(IniPath, ExtBmp, ExtJpg, kPathBytes);
  readString("GRP", "ENCODEB", "BMP", EncodeBmp, IniPath);
  readString("GRP", "ENCODEJ", "JPG", EncodeJpg, IniPath);

  // 6.
  AppendCut(TitlePath, sizeof TitlePath, ".");
  AppendCut(LogoPath, sizeof LogoPath, ".");
  AppendCut(TitlePath, sizeof TitlePath, ExtBmp);
  AppendCut(LogoPath, sizeof LogoPath, ExtBmp);

  // 7. Caption of the window and title of the application.
  readString("SYSTEM", "CAPTION", "MIRAVEL", value, IniPath);
  SetCaption(value);
  if (Application) Application->Title = value;
  return true;
}

int32_t TMainFrm::readGrpInt(const char* key, int32_t def) {
  return GetPrivateProfileIntA("GRP", key, def, IniPath);
}

void TMainFrm::loadTextFrame() {
  HasTextFrame = 0;
  char name[kPathBytes];
  readString("GRP", "FRAMEGRP", "TEXTFORM", name, IniPath);
  if (!name[0]) return;
  char path[kPathBytes];
  // A missing frame picture is not reported: the slot simply stays empty. So does a path too
  // long for its buffer, which would otherwise name another file.
  int n = std::snprintf(path, sizeof path, "%s%s.%s", GrpDir, name, ExtBmp);
  if (n > 0 && static_cast<size_t>(n) < sizeof path) splPaintView->LoadSplite(0, path);
  char pos[kPathBytes];
  readString("GRP", "FRAMEPOS", "10,342", pos, IniPath);
  int32_t x = 0, y = 0;
  ParseFramePos(pos, &x, &y);
  splPaintView->MoveSplite2(0, x, y);
  HasTextFrame = 1;
}
