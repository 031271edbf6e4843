#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "miravel-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (::mkdtemp(buf.data())) path_ = buf.data();
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  if (keepIfFailed_ && ::testing::Test::HasFailure()) {
    std::fprintf(stderr, "kept for inspection: %s\n", path_.c_str());
    return;
  }
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

std::string TempDir::File(std::string_view name) const { return path_ + "/" + std::string(name); }

bool TempDir::Write(std::string_view name, std::string_view bytes) const {
  return Write(name, bytes.data(), bytes.size());
}

bool TempDir::Write(std::string_view name, const void* data, size_t size) const {
  fs::path p = File(name);
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  f.close();
  return static_cast<bool>(f);
}

bool TempDir::Exists(std::string_view name) const {
  std::error_code ec;
  return fs::exists(File(name), ec);
}

std::vector<uint8_t> TempDir::Read(std::string_view name) const {
  std::ifstream f(File(name), std::ios::binary);
  if (!f) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string TempDir::ReadText(std::string_view name) const {
  const std::vector<uint8_t> bytes = Read(name);
  return std::string(bytes.begin(), bytes.end());
}

bool TempDir::MakeDir(std::string_view name) const {
  std::error_code ec;
  return fs::create_directories(File(name), ec) || fs::is_directory(File(name), ec);
}
