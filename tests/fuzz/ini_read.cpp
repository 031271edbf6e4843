// Feeds arbitrary bytes to the INI reader as a configuration file and reads keys from it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files/ini.h"

namespace {

const std::string& tempPath() {
  static const std::string path = [] {
    char tmpl[] = "/tmp/miravel-fuzz-ini-XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    close(fd);
    return std::string(tmpl);
  }();
  return path;
}

struct RemoveAtExit {
  ~RemoveAtExit() { std::remove(tempPath().c_str()); }
} removeAtExit;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* path = tempPath().c_str();
  FILE* f = std::fopen(path, "wb");
  if (!f) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);

  // The engine's own keys, at the sizes it uses and at sizes that force cutting.
  static const char* const kKeys[][2] = {
      {"SYSTEM", "GrpPath"},
      {"SYSTEM", "CAPTION"},
      {"GRP", "TITLE"},
      {"GRP", "FRAMEPOS"},
  };
  char buf[256];
  for (const auto& k : kKeys) {
    for (uint32_t n : {256u, 5u, 2u, 1u}) {
      uint32_t got = GetPrivateProfileStringA(k[0], k[1], "default  ", buf, n, path);
      if (got >= n || std::strlen(buf) != got) std::abort();
    }
    ProfileKeyExists(k[0], k[1], path);
  }
  GetPrivateProfileIntA("GRP", "STARTFADEOUT", 1, path);

  // Section and key names taken from the input itself, so that matches happen.
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t open = text.find('['), close = text.find(']'), eq = text.find('=');
  if (open != std::string::npos && close != std::string::npos && open < close &&
      eq != std::string::npos && eq > close) {
    std::string section = text.substr(open + 1, close - open - 1);
    std::string key = text.substr(close + 1, eq - close - 1);
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf, sizeof buf, path);
    GetPrivateProfileIntA(section.c_str(), key.c_str(), -1, path);
  }
  return 0;
}
