#include "scenario/game_paths.h"

#include <cstdio>
#include <cstring>

#include "platform/files/ini.h"
#include "platform/text/cp932.h"

namespace {

struct TFolderKey {
  const char* key;
  const char* def;    // when the key is missing
  const char* empty;  // when the key is present but empty
};
constexpr TFolderKey kFolderKeys[] = {
    {"GrpPath", "grp\\", "GRP\\"},
    {"BgmPath", "bgm\\", "BGM\\"},
    {"WavPath", "wav\\", "WAV\\"},
};

// The values are read into buffers of this size, as the engine's path buffers.
constexpr size_t kValueBytes = 256;

}  // namespace

bool EndsWithBackslash(const char* s) {
  size_t len = std::strlen(s);
  bool last = false;
  for (size_t i = 0; i < len; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < len) {
      ++i;
      last = false;
    } else {
      last = s[i] == '\\';
    }
  }
  return last;
}

void ReadGameFolder(TGameFolderKind kind, const char* programDir, const char* iniPath, char* out,
                    size_t size) {
  const TFolderKey& f = kFolderKeys[kind];
  char value[kValueBytes];
  GetPrivateProfileStringA("SYSTEM", f.key, f.def, value, sizeof value, iniPath);
  CopyCut(out, size, programDir);
  AppendCut(out, size, value[0] ? value : f.empty);
  if (!EndsWithBackslash(out)) AppendCut(out, size, "\\");
}

void ReadPictureExtensions(const char* iniPath, char* extBmp, char* extJpg, size_t size) {
  GetPrivateProfileStringA("GRP", "EXTB", "BMP", extBmp, static_cast<uint32_t>(size), iniPath);
  GetPrivateProfileStringA("GRP", "EXTJ", "JPG", extJpg, static_cast<uint32_t>(size), iniPath);
  if (!extBmp[0]) CopyCut(extBmp, size, "BMP");
}

void FormatPicturePath(char* out, size_t size, const char* folder, const char* name,
                       const char* ext) {
  if (!out || size == 0) return;
  const int n = std::snprintf(out, size, "%s%s.%s", folder, name ? name : "", ext ? ext : "");
  if (n < 0 || static_cast<size_t>(n) >= size) out[0] = 0;
}

void FormatMusicNumberPath(char* out, size_t size, const char* folder, int n) {
  std::snprintf(out, size, "%s%04d.mid", folder, n);
}

void FormatFolderFilePath(char* out, size_t size, const char* folder, const char* name) {
  std::snprintf(out, size, "%s%s", folder, name);
}

bool FormatEndingFilePath(char* out, size_t size, const char* programDir, int n) {
  const size_t dirLen = std::strlen(programDir);
  const char* format =
      (dirLen > 0 && programDir[dirLen - 1] == '\\') ? "%s%s%02d%s" : "%s\\%s%02d%s";
  const int written = std::snprintf(out, size, format, programDir, "mscs", n, ".esf");
  if (written < 0 || static_cast<size_t>(written) >= size) {
    if (size) out[0] = 0;
    return false;
  }
  return true;
}
