#include "shell/settings.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files/files.h"
#include "shell/game_folder.h"

namespace fs = std::filesystem;

namespace {

struct State {
  TPlayerSettings stored;     // as in the file
  TPlayerSettings effective;  // stored, with this run's options over it
};

State& state() {
  static State s;
  return s;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// A whole decimal number in [lo, hi].
bool parseInt(const std::string& text, int lo, int hi, int* out) {
  if (text.empty() || text.size() > 9) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool parseBool(const std::string& text, bool* out) {
  if (text == "1" || text == "true" || text == "yes" || text == "on") return *out = true, true;
  if (text == "0" || text == "false" || text == "no" || text == "off") return *out = false, true;
  return false;
}

bool parseScale(const std::string& text, int* out) {
  if (text == "fit") return *out = 0, true;
  return parseInt(text, 0, 3, out);
}

// A path of the file: "~/..." stands for the home folder, as in a shell.
std::string expandHome(const std::string& path) {
  if (path != "~" && path.compare(0, 2, "~/") != 0) return path;
  std::string home = HomeDir();
  return home.empty() ? path : home + path.substr(1);
}

// Sets one key of the file; false when the key is unknown or its value cannot be read.
bool setKey(TPlayerSettings& s, const std::string& key, const std::string& value) {
  if (key == "scale") return parseScale(value, &s.scale);
  if (key == "smooth") return parseBool(value, &s.smooth);
  if (key == "fullscreen") return parseBool(value, &s.fullscreen);
  if (key == "auto_pause_ms") return parseInt(value, 0, 60000, &s.autoPauseMs);
  if (key == "auto_char_ms") return parseInt(value, 0, 10000, &s.autoCharMs);
  if (key == "skip_unread") return parseBool(value, &s.skipUnread);
  if (key == "music_volume") return parseInt(value, 0, 100, &s.musicVolume);
  if (key == "sound_volume") return parseInt(value, 0, 100, &s.soundVolume);
  if (key == "soundfont") return s.soundfont = expandHome(value), true;
  if (key == "screenshots") return s.screenshotDir = expandHome(value), true;
  return false;
}

std::string format(const TPlayerSettings& s) {
  std::ostringstream out;
  out << "[settings]\n"
      << "scale=" << (s.scale == 0 ? std::string("fit") : std::to_string(s.scale)) << "\n"
      << "smooth=" << int(s.smooth) << "\n"
      << "fullscreen=" << int(s.fullscreen) << "\n"
      << "auto_pause_ms=" << s.autoPauseMs << "\n"
      << "auto_char_ms=" << s.autoCharMs << "\n"
      << "skip_unread=" << int(s.skipUnread) << "\n"
      << "music_volume=" << s.musicVolume << "\n"
      << "sound_volume=" << s.soundVolume << "\n"
      << "soundfont=" << s.soundfont << "\n"
      << "screenshots=" << s.screenshotDir << "\n";
  return out.str();
}

// $XDG_CONFIG_HOME (an absolute path), else ~/.config; empty without a home.
std::string configHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  std::string home = HomeDir();
  return home.empty() ? "" : home + "/.config";
}

// The pictures folder from user-dirs.dirs (what xdg-user-dir reads): a line
// XDG_PICTURES_DIR="$HOME/Pictures" or an absolute path. Empty when it names none.
std::string userPicturesDir() {
  std::string config = configHome();
  if (config.empty()) return "";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line);
    const std::string key = "XDG_PICTURES_DIR=";
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string v = line.substr(key.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) {
      std::string home = HomeDir();
      if (home.empty()) return "";
      v = home + v.substr(5);
    }
    // A pictures folder equal to the home folder means "none" to the XDG tools.
    if (v.empty() || v[0] != '/') return "";
    if (fs::path(v).lexically_normal() / "" == fs::path(HomeDir()).lexically_normal() / "")
      return "";
    return v;
  }
  return "";
}

}  // namespace

const TPlayerSettings& PlayerSettings() { return state().effective; }

std::string PlayerSettingsPath() {
  std::string config = configHome();
  return config.empty() ? "" : config + "/miravel/settings.ini";
}

void LoadPlayerSettings() {
  State& st = state();
  std::string path = PlayerSettingsPath();
  if (path.empty()) return;
  std::ifstream in(path);
  if (!in) return;
  TPlayerSettings s;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    line = trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') continue;
    size_t eq = line.find('=');
    std::string key = trim(line.substr(0, eq));
    std::string value = eq == std::string::npos ? "" : trim(line.substr(eq + 1));
    if (eq == std::string::npos || !setKey(s, key, value))
      std::fprintf(stderr, "miravel: %s:%d: cannot use \"%s\"; kept the default\n", path.c_str(),
                   number, line.c_str());
  }
  const TextHook hook = st.effective.textHook;
  st.stored = s;
  st.effective = s;
  st.effective.textHook = hook;
}

bool ParsePlayerOptions(std::vector<std::string>& args, std::string* error) {
  TPlayerSettings& s = state().effective;
  std::vector<std::string> rest;
  bool optionsEnded = false;  // after "--" every argument is a game folder
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i == 0 || optionsEnded || arg.size() < 2 || arg[0] != '-') {
      if (i > 0 && rest.size() > 1) {
        *error = "one game folder only (\"" + rest[1] + "\" and \"" + arg + "\")";
        return false;
      }
      rest.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" and "--name value" are the same option.
    size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const bool inlineValue = eq != std::string::npos;
    auto value = [&](std::string* v) {
      if (inlineValue) {
        *v = arg.substr(eq + 1);
        return true;
      }
      if (i + 1 >= args.size()) {
        *error = name + " needs a value";
        return false;
      }
      *v = args[++i];
      return true;
    };
    auto noValue = [&] {
      if (inlineValue) *error = name + " takes no value";
      return !inlineValue;
    };
    std::string v;
    if (name == "--fullscreen") {
      if (!noValue()) return false;
      s.fullscreen = true;
    } else if (name == "--smooth") {
      if (!noValue()) return false;
      s.smooth = true;
    } else if (name == "--scale") {
      if (!value(&v)) return false;
      if (!parseScale(v, &s.scale) || v == "0") {
        *error = "--scale needs 1, 2, 3 or fit";
        return false;
      }
    } else if (name == "--soundfont") {
      if (!value(&v)) return false;
      if (v.empty()) {
        *error = "--soundfont needs a file";
        return false;
      }
      // The program may change its working folder; the file stays the one the player meant.
      std::error_code ec;
      fs::path absolute = fs::absolute(v, ec);
      s.soundfont = ec ? v : absolute.string();
    } else if (name == "--volume-music" || name == "--volume-sound") {
      if (!value(&v)) return false;
      int* target = name == "--volume-music" ? &s.musicVolume : &s.soundVolume;
      if (!parseInt(v, 0, 100, target)) {
        *error = name + " needs a number from 0 to 100";
        return false;
      }
    } else if (name == "--texthook") {
      if (!inlineValue || arg.substr(eq + 1) == "stdout") {
        s.textHook = TextHook::kStdout;
      } else if (arg.substr(eq + 1) == "clipboard") {
        s.textHook = TextHook::kClipboard;
      } else {
        *error = "--texthook takes stdout or clipboard";
        return false;
      }
    } else {
      *error = "unknown option " + name;
      return false;
    }
  }
  args = std::move(rest);
  return true;
}

bool ChangePlayerSettings(const std::function<void(TPlayerSettings&)>& change) {
  State& st = state();
  // The change is made on the settings in effect (a toggle turns what the player sees), and
  // only the keys it touched go into the stored ones: an option of this run over another key
  // stays out of the file.
  TPlayerSettings before = st.effective;
  change(st.effective);
  const TPlayerSettings& after = st.effective;
  TPlayerSettings& stored = st.stored;
  auto take = [](auto& storedKey, const auto& beforeKey, const auto& afterKey) {
    if (!(beforeKey == afterKey)) storedKey = afterKey;
  };
  take(stored.scale, before.scale, after.scale);
  take(stored.smooth, before.smooth, after.smooth);
  take(stored.fullscreen, before.fullscreen, after.fullscreen);
  take(stored.autoPauseMs, before.autoPauseMs, after.autoPauseMs);
  take(stored.autoCharMs, before.autoCharMs, after.autoCharMs);
  take(stored.skipUnread, before.skipUnread, after.skipUnread);
  take(stored.musicVolume, before.musicVolume, after.musicVolume);
  take(stored.soundVolume, before.soundVolume, after.soundVolume);
  take(stored.soundfont, before.soundfont, after.soundfont);
  take(stored.screenshotDir, before.screenshotDir, after.screenshotDir);
  std::string path = PlayerSettingsPath();
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  const std::string text = format(stored);
  return WriteWholeFileAtomic(EnginePathFromNative(path).c_str(), text.data(), text.size());
}

std::string ScreenshotDir() {
  const TPlayerSettings& s = PlayerSettings();
  if (!s.screenshotDir.empty()) return s.screenshotDir;
  std::string pictures = userPicturesDir();
  if (pictures.empty()) {
    std::string home = HomeDir();
    if (home.empty()) return "";
    pictures = home + "/Pictures";
  }
  return pictures + "/miravel";
}

void ResetPlayerSettings() { state() = State{}; }
