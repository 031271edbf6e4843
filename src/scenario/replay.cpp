// Rebuilding the scene after a slot was loaded. A save holds only the position, the flags, the
// names and the music, so the scene-setting commands of the saved node are run again from its
// first line up to the saved line, and the saved music is reopened.
#include <cstdio>
#include <cstring>
#include <string>

#include "paint/splpaint.h"
#include "platform/audio/audio.h"
#include "platform/text/cp932.h"
#include "platform/files/files.h"
#include "scenario/commands.h"
#include "shell/main_form.h"

namespace {

// The commands that set the scene: conditionals (their skips move the replay past blocks),
// fills, picture and sprite loads, sprite moves, the loop mark, the speaker, the choice texts
// and the node title. Everything else (text, flag changes, drawing, transitions, sound, jumps,
// loops) is passed over.
constexpr const char* kReplayPrefixes[] = {
    "#IF", "#FILL", "#LOAD", "#MOVE", "#DOLOOP", "#CHARNAME", "#SELECT", "#NODETITLE",
};

bool setsTheScene(const char* line) {
  if (line[0] != '#') return false;
  for (const char* prefix : kReplayPrefixes) {
    if (std::strncmp(line, prefix, std::strlen(prefix)) == 0) return true;
  }
  return false;
}

// The sprites that the replayed stretch drew and erased. Only loading them again would leave
// the characters of the saved scene off the picture after a load, so the sprite commands are
// replayed too, each by its end state (no transition, no text window, nothing shown), on the
// scene without text (Temp) only: the working image keeps its picture for the fade-in that
// follows the load, and the story then shows the scene from Temp.
void replaySprites(TMainFrm& f, TSplPaint& sp, const char* line) {
  const char* args = nullptr;
  const TCommandName* command = MatchCommandName(line, &args);
  if (!command) return;
  const TCommandId id = command->id;
  const bool draws = id == ciDrawSplite || id == ciFadeInSplite;
  const bool erases = id == ciPatchSplite || id == ciFadeOutSplite;
  const bool swaps = id == ciFadeToSplite;
  const bool all = id == ciDrawAll, eraseAll = id == ciPatchAllSplite;
  if (!draws && !erases && !swaps && !all && !eraseAll) return;
  TBitmap scene = sp.BkGnd;
  const int a = f.GetIntArg(args, 0);
  if (draws) sp.DrawSplite(a, true);
  if (erases) sp.PatchSplite(a);
  if (swaps) {
    sp.PatchSplite(a);
    sp.DrawSplite(f.GetIntArg(args, 1), true);
  }
  if (all) sp.DrawAll(0);
  if (eraseAll) sp.PatchSplite();
  sp.BkGnd = std::move(scene);
}

}  // namespace

bool TMainFrm::ReplayScene(bool redraw) {
  TScenarioNode* node = TreeViewSinario.Item(SaveData.SaveNodeIndex);
  if (!node) return false;

  NodeIndex = SaveData.SaveNodeIndex;
  loadNodeLines(node);
  LineIndex = 0;

  const int saved = SaveData.SaveLineIndex;
  while (LineIndex < saved && NodeLines && LineIndex < NodeLines->Count()) {
    // The line as the fetch would give it: whole when it fits a line buffer, else cut at a
    // character boundary.
    const std::string& text = (*NodeLines)[LineIndex];
    char line[kLineBytes];
    size_t n = FitToBuffer(text.data(), text.size(), sizeof line - 1);
    std::memcpy(line, text.data(), n);
    line[n] = 0;
    // The cursor stands where the fetch of this line leaves it, on the next line, so that
    // #DOLOOP marks the same loop start as in play and a conditional's skip lands on its #ENDIF.
    ++LineIndex;
    if (setsTheScene(line))
      ExecuteCommand(line);
    else if (splPaintView)
      replaySprites(*this, *splPaintView, line);
  }

  // The saved music. When its file is gone the player reopens the file it had.
  char bgmName[kBgmFileNameBytes + 1] = {};
  std::memcpy(bgmName, SaveData.BgmFileName, kBgmFileNameBytes);
  if (bgmName[0] != 0 && MediaPlayer) {
    MediaPlayer->Wait = false;
    MediaPlayer->Close();
    char path[kPathBytes];
    int len = std::snprintf(path, sizeof path, "%s%s", BgmDir, bgmName);
    if (len >= 0 && size_t(len) < sizeof path && FileExists(path)) MediaPlayer->FileName = path;
    MediaPlayer->Open();
    if (SaveData.BgmWasPlaying != 0 && !MediaPlayer->FileName.empty() &&
        MediaPlayer->Error() == 0) {
      MediaPlayer->Notify = true;
      MediaPlayer->Play();
    }
  }

  // The next fetch continues with the line after the one that was current at the save.
  LineIndex = saved;
  if (redraw && splPaintView) splPaintView->DrawToScreen(true);
  return true;
}
