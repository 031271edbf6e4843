#include "shell/game_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/text/cp932.h"
#include "platform/files/files.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string>& args() {
  static std::vector<std::string> a;
  return a;
}

std::string currentDir() {
  std::error_code ec;
  fs::path p = fs::current_path(ec);
  return ec ? std::string("/") : p.string();
}

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program as started, made absolute without resolving links: a bare name was found
// through PATH, a relative path is taken from the current folder.
std::string programPath(const std::string& arg0) {
  std::string path = arg0;
  if (path.find('/') == std::string::npos) {
    std::string found;
    const char* env = std::getenv("PATH");
    std::string list = env ? env : "";
    size_t start = 0;
    while (found.empty() && start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      // An empty entry is the current folder. (Chosen before the string is made: assigning "."
      // to an empty string trips gcc 12's -Wrestrict at -O3.)
      const std::string dir = end > start ? list.substr(start, end - start) : std::string(".");
      std::string candidate = dir + "/" + path;
      if (isExecutableFile(candidate)) found = candidate;
      start = end + 1;
    }
    path = found.empty() ? "./" + path : found;
  }
  if (path.front() != '/') path = currentDir() + "/" + path;
  return fs::path(path).lexically_normal().string();
}

std::string withoutTrailingSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return currentDir();
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

bool equalNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Splits a file name into base name and extension (without the dot; empty when none).
void splitName(const std::string& name, std::string* base, std::string* ext) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    *base = name;
    ext->clear();
  } else {
    *base = name.substr(0, dot);
    *ext = name.substr(dot + 1);
  }
}

// The configuration file of game folder dir (native): <base>.ini, or the one .ini whose base
// name matches an .exe beside it.
std::string findIni(const std::string& dir, const std::string& base) {
  std::string preferred = dir + "/" + base + ".ini";
  if (FileExists(EnginePathFromNative(preferred).c_str())) return preferred;

  std::vector<std::string> inis, exes;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = it->path().filename().string();
    std::string b, e;
    splitName(name, &b, &e);
    if (equalNoCase(e, "ini")) inis.push_back(name);
    if (equalNoCase(e, "exe")) exes.push_back(b);
  }
  std::vector<std::string> matches;
  for (const std::string& ini : inis) {
    std::string b, e;
    splitName(ini, &b, &e);
    for (const std::string& exe : exes) {
      if (equalNoCase(b, exe)) {
        matches.push_back(ini);
        break;
      }
    }
  }
  if (matches.size() == 1) return dir + "/" + matches.front();
  return preferred;
}

}  // namespace

std::string HomeDir() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid())) {
    if (pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  }
  return "";
}

namespace {

// $XDG_DATA_HOME/miravel/<name> (default ~/.local/share), created when missing; empty when it
// cannot be made.
std::string fallbackSaveDir(const std::string& gameDir) {
  std::string data;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {
    data = xdg;
  } else {
    std::string home = HomeDir();
    if (home.empty()) return "";
    data = home + "/.local/share";
  }
  std::string name = fs::path(gameDir).filename().string();
  if (name.empty()) name = "game";
  std::string dir = withoutTrailingSlash(data) + "/miravel/" + name;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!DirectoryWritable(dir)) return "";
  return dir;
}

bool fileThere(const std::string& nativePath) {
  return FileExists(EnginePathFromNative(nativePath).c_str());
}

// The demo game installed with the program: <prefix>/share/miravel/demo beside <prefix>/bin,
// found from the program as started and, when that is a link, from the file it points to, so
// that a prefix moved elsewhere still works. Empty when no such folder holds <base>.ini.
std::string installedDemo(const std::string& program, const std::string& base) {
  std::vector<std::string> binDirs{folderOf(program)};
  std::error_code ec;
  fs::path real = fs::canonical(program, ec);
  if (!ec) binDirs.push_back(folderOf(real.string()));
  for (const std::string& bin : binDirs) {
    std::string demo = withoutTrailingSlash(
        fs::path(bin + "/../share/miravel/demo").lexically_normal().string());
    if (fileThere(demo + "/" + base + ".ini")) return demo;
  }
  return "";
}

std::string asEngineFolder(const std::string& nativeDir) {
  std::string p = EnginePathFromNative(nativeDir);
  if (p.empty() || p.back() != '\\') {
    // A folder that kept its native bytes ends in "/"; the engine's own rule wants a backslash.
    if (!p.empty() && p.back() == '/') p.pop_back();
    p += '\\';
  }
  return p;
}

}  // namespace

void SetCommandLine(std::vector<std::string> a) { args() = std::move(a); }

const std::vector<std::string>& CommandLine() { return args(); }

std::string EnginePathFromNative(const std::string& native) {
  std::string cp;
  if (!Utf8ToCp932(native, cp)) return native;
  std::string out;
  out.reserve(cp.size());
  for (size_t i = 0; i < cp.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(cp[i]);
    if (IsLeadByte(c) && i + 1 < cp.size()) {
      out += cp[i];
      out += cp[++i];
    } else {
      out += (c == '/') ? '\\' : cp[i];
    }
  }
  return out;
}

bool IsGameFolder(const std::string& nativeDir) {
  std::error_code ec;
  if (nativeDir.empty() || !fs::is_directory(nativeDir, ec)) return false;
  const std::vector<std::string>& a = args();
  const std::string program = a.empty() || a[0].empty() ? std::string() : programPath(a[0]);
  const std::string dir = withoutTrailingSlash(nativeDir);
  return fileThere(findIni(dir, baseNameOf(program))) || fileThere(dir + "/mscs.ssf");
}

TGameFolder LocateGameFolder() {
  const std::vector<std::string>& a = args();
  std::string arg0 = a.empty() ? std::string() : a[0];
  std::string program = arg0.empty() ? std::string() : programPath(arg0);
  std::string base = baseNameOf(program);
  std::string dir = program.empty() ? currentDir() : folderOf(program);

  TGameFolder g;
  std::string ini;
  bool installed = false;
  if (a.size() > 1 && !a[1].empty()) {
    std::string d = a[1];
    if (d.front() != '/') d = currentDir() + "/" + d;
    dir = withoutTrailingSlash(fs::path(d).lexically_normal().string());
    ini = findIni(dir, base);
  } else {
    ini = dir + (dir.back() == '/' ? "" : "/") + base + ".ini";
    // A program with no game beside it (neither a configuration nor a scenario) plays the demo
    // installed with it.
    const std::string scenario = dir + (dir.back() == '/' ? "" : "/") + "mscs.ssf";
    if (!program.empty() && !fileThere(ini) && !fileThere(scenario)) {
      std::string demo = installedDemo(program, base);
      if (!demo.empty()) {
        dir = demo;
        ini = demo + "/" + base + ".ini";
        installed = true;
      }
    }
  }
  g.ProgramDir = asEngineFolder(dir);
  g.IniPath = EnginePathFromNative(ini);
  g.SaveDir = g.ProgramDir;
  // The installed demo belongs to the package: its folder may be writable (to the superuser)
  // but saves written there would outlive the package's removal, so they go to the data folder.
  if (installed || !DirectoryWritable(dir)) {
    std::string fallback = fallbackSaveDir(dir);
    if (!fallback.empty()) g.SaveDir = asEngineFolder(fallback);
  }
  return g;
}
