#include "support/main_form_harness.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "shell/game_folder.h"
#include "support/scenario_builder.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "miravel-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (::mkdtemp(buf.data())) path_ = buf.data();
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code ec;
  // Read-only folders made by a test are opened up again so that everything can go.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code pe;
    if (it->is_directory(pe))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, pe);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempFolder::File(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

bool TempFolder::Write(std::string_view name, std::string_view bytes) const {
  return Write(name, bytes.data(), bytes.size());
}

bool TempFolder::Write(std::string_view name, const void* data, size_t size) const {
  fs::path p = File(name);
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  f.close();
  return static_cast<bool>(f);
}

bool TempFolder::Exists(std::string_view name) const {
  std::error_code ec;
  return fs::exists(File(name), ec);
}

std::vector<uint8_t> TempFolder::Read(std::string_view name) const {
  std::ifstream f(File(name), std::ios::binary);
  if (!f) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool TempFolder::MakeDir(std::string_view name) const {
  std::error_code ec;
  return fs::create_directories(File(name), ec) || fs::is_directory(File(name), ec);
}

std::string EnginePath(const std::string& native) { return EnginePathFromNative(native); }

MainFormHarness::MainFormHarness() = default;

MainFormHarness::~MainFormHarness() {
  Destroy();
  SetCommandLine({});
}

bool MainFormHarness::WriteScenario(std::string_view utf8) {
  return WriteScenarioFile(folder.Path(), utf8);
}

TMainFrm* MainFormHarness::Start(const std::vector<std::string>& extraArgs) {
  std::vector<std::string> args{folder.File("miravel")};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  SetCommandLine(args);
  app.Title = "";
  form = CreateMainForm();
  app.MainForm = form;
  if (!app.Terminated()) form->Show();
  return form;
}

void MainFormHarness::RunInGameLoop(const std::function<void()>& body) {
  bool ran = false;
  fake.OnProcessMessages([&] {
    if (ran || !form || form->StepState != ssLogo) return;
    ran = true;
    body();
    fake.AtNow().CloseRequest();
  });
  fake.RunScript();
  fake.OnProcessMessages({});
  EXPECT_TRUE(ran) << "the game loop did not start";
}

void MainFormHarness::Destroy() {
  delete form;
  form = nullptr;
}
