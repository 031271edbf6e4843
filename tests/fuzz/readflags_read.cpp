// Read-flags files of any size and content: start-up reads what fits, never rewrites an existing
// file, and the next rewrite stores exactly the record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "shell/game_folder.h"
#include "support/main_form_harness.h"
#include "support/scenario_builder.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

struct World {
  MainFormHarness h;
  TMainFrm* form = nullptr;
  World() {
    check(h.WriteScenario(ScenarioText({"root", "\tchild", "line"})));
    SetCommandLine({h.folder.File("miravel")});
    form = new TMainFrm();
    h.form = form;
    h.app.MainForm = form;
    check(form->StartupFailed == 0);
  }
};

World& world() {
  static World w;
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& w = world();
  TMainFrm* f = w.form;
  check(w.h.folder.Write("orxrf.svd", data, size));

  std::memset(&f->ReadFlags, 0, sizeof f->ReadFlags);
  f->SaveData = TSaveData{};
  f->SaveData.Flags[3] = 0xFF;
  check(f->InitSaveFiles());
  TReadFlagsData expected{};
  std::memcpy(&expected, data, size < sizeof expected ? size : sizeof expected);
  check(std::memcmp(&f->ReadFlags, &expected, sizeof expected) == 0);
  check(f->SaveData.Flags[3] == 0);
  std::vector<uint8_t> onDisk = w.h.folder.Read("orxrf.svd");
  check(onDisk.size() == size && (size == 0 || std::memcmp(onDisk.data(), data, size) == 0));

  // Whatever the node index, the marks stay inside the records and the file is the record.
  int node = size >= 2 ? (data[0] | (data[1] << 8)) - 100 : 0;
  f->NodeIndex = node;
  f->MarkNodeRead();
  onDisk = w.h.folder.Read("orxrf.svd");
  check(onDisk.size() == sizeof f->ReadFlags);
  check(std::memcmp(onDisk.data(), &f->ReadFlags, sizeof f->ReadFlags) == 0);
  check(f->IsNodeRead(node) == (node >= 0 && node < kNodeMarkCount));
  return 0;
}
