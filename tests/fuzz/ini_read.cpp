// Feeds arbitrary bytes to the INI reader as a configuration file and reads keys from it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/files/ini.h"
#include "support/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = FuzzScratch().File("miravel.ini");
  const char* path = file.c_str();
  if (!FuzzScratch().Write("miravel.ini", data, size)) return 0;

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
      FuzzCheck(got < n && std::strlen(buf) == got);
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
