// Ending files of any size and content: the reader takes whole records only and never reads
// past the buffer; a file's description, when written without a warning, builds the same records
// again and is written back unchanged. The same bytes as a description never break the parser.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "screens/ending_file.h"
#include "support/fuzz_setup.h"

namespace {

bool sameText(const char (&a)[kEndingNameBytes], const char (&b)[kEndingNameBytes]) {
  return EndingFieldText(a) == EndingFieldText(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so that a read past it is caught by the sanitizer.
  std::vector<uint8_t> bytes(data, data + size);
  TEndingFile f = ReadEndingFile(bytes.data(), bytes.size());
  const size_t records = size >= kEndingRecordBytes ? size / kEndingRecordBytes - 1 : 0;
  FuzzCheck(f.Entries.size() == records);
  // (An empty input has no bytes to compare, nor a buffer to pass to memcmp.)
  if (size > 0)
    FuzzCheck(std::memcmp(&f.Header, bytes.data(), std::min(size, kEndingRecordBytes)) == 0);
  for (const TEndingEntry& e : f.Entries) FuzzCheck(EndingFieldText(e.EntryText).size() <= 40);

  std::vector<TPackMessage> warnings, errors;
  const std::string text = FormatEndingText(f, &warnings);
  if (warnings.empty()) {
    TEndingFile back;
    FuzzCheck(ParseEndingText(text, back, errors));
    FuzzCheck(back.Entries.size() == f.Entries.size());
    FuzzCheck(back.Header.ScrollIntervalMs == f.Header.ScrollIntervalMs);
    FuzzCheck(sameText(back.Header.BgmName, f.Header.BgmName));
    for (size_t i = 0; i < f.Entries.size(); ++i) {
      FuzzCheck(back.Entries[i].EntryY == f.Entries[i].EntryY);
      FuzzCheck(back.Entries[i].EntryFontSize == f.Entries[i].EntryFontSize);
      FuzzCheck(sameText(back.Entries[i].EntryText, f.Entries[i].EntryText));
    }
    FuzzCheck(FormatEndingText(back) == text);
  }

  TEndingFile parsed;
  errors.clear();
  if (ParseEndingText(std::string_view(reinterpret_cast<const char*>(data), size), parsed,
                      errors)) {
    FuzzCheck(EndingFileBytes(parsed).size() == kEndingRecordBytes * (1 + parsed.Entries.size()));
  } else {
    FuzzCheck(!errors.empty());
  }
  return 0;
}
