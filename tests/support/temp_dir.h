// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test is done.
//
//   TempDir dir;
//   dir.Write("grp/a.bmp", bytes);          // folders are made on the way
//   Load(dir.File("grp/a.bmp").c_str());
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TempDir {
 public:
  TempDir();   // the test fails when the folder cannot be made
  ~TempDir();  // removes the tree, read-only folders included
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }  // native, without a trailing "/"
  std::string File(std::string_view name) const;     // Path() + "/" + name
  bool Write(std::string_view name, std::string_view bytes) const;  // creates folders on the way
  bool Write(std::string_view name, const void* data, size_t size) const;
  bool Write(std::string_view name, const std::vector<uint8_t>& bytes) const {
    return Write(name, bytes.data(), bytes.size());
  }
  bool Exists(std::string_view name) const;
  std::vector<uint8_t> Read(std::string_view name) const;  // empty when missing
  std::string ReadText(std::string_view name) const;       // the same bytes as a string
  bool MakeDir(std::string_view name) const;

  // Leaves the folder in place (and names it on stderr) when the running test has failed, so
  // that what the program wrote can be looked at.
  void KeepIfFailed() { keepIfFailed_ = true; }

 private:
  std::string path_;
  bool keepIfFailed_ = false;
};
