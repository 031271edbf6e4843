// Feeds arbitrary bytes to the INI reader as a configuration file's text and reads keys from it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/ini.h"
#include "support/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so that a read past it is caught by the sanitizer.
  const std::vector<char> bytes(data, data + size);
  const std::string_view text(bytes.data(), bytes.size());

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
      uint32_t got = ProfileStringFromText(text, k[0], k[1], "default  ", buf, n);
      FuzzCheck(got < n && std::strlen(buf) == got);
    }
    ProfileKeyInText(text, k[0], k[1]);
  }
  ProfileIntFromText(text, "GRP", "STARTFADEOUT", 1);

  // Section and key names taken from the input itself, so that matches happen.
  size_t open = text.find('['), close = text.find(']'), eq = text.find('=');
  if (open != std::string::npos && close != std::string::npos && open < close &&
      eq != std::string::npos && eq > close) {
    std::string section(text.substr(open + 1, close - open - 1));
    std::string key(text.substr(close + 1, eq - close - 1));
    ProfileStringFromText(text, section.c_str(), key.c_str(), "", buf, sizeof buf);
    ProfileIntFromText(text, section.c_str(), key.c_str(), -1);
  }
  return 0;
}
