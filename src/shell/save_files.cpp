// The save slot files orxdf01.svd-orxdf05.svd and the read-flags file orxrf.svd: creation at
// start-up, saving, loading, the slot headers, read marks and flags.
//
// Every rewrite goes through WriteWholeFileAtomic, so a crash or a full disk never leaves a
// half-written record behind.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/text/cp932.h"
#include "platform/files/files.h"
#include "shell/main_form.h"

namespace {

// Reads the start of the file at path over record (at most size bytes). A short file leaves
// the rest of the record as it was. False when the file cannot be read.
bool readRecord(const char* path, void* record, size_t size) {
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data)) return false;
  std::memcpy(record, data.data(), std::min(size, data.size()));
  return true;
}

// The file-name part of an engine path: what follows the last separator.
const char* fileNamePart(const char* path) {
  const char* name = path;
  size_t len = std::strlen(path);
  for (size_t i = 0; i < len; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c) && i + 1 < len) {
      ++i;
    } else if (c == '\\' || c == '/' || c == ':') {
      name = path + i + 1;
    }
  }
  return name;
}

}  // namespace

bool TMainFrm::slotPath(int slot, char* out, size_t size) const {
  int n = std::snprintf(out, size, "%s%s%02d%s", SaveDir, "orxdf", slot, ".svd");
  if (n < 0 || static_cast<size_t>(n) >= size) {
    if (size > 0) out[0] = 0;
    return false;
  }
  return true;
}

bool TMainFrm::readFlagsPath(char* out, size_t size) const {
  int n = std::snprintf(out, size, "%s%s", SaveDir, "orxrf.svd");
  if (n < 0 || static_cast<size_t>(n) >= size) {
    if (size > 0) out[0] = 0;
    return false;
  }
  return true;
}

bool TMainFrm::InitSaveFiles() {
  char path[kPathBytes];
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    slotPath(slot, path, sizeof path);
    if (!FileExists(path)) {
      static const TSaveData empty{};
      if (!WriteWholeFileAtomic(path, &empty, sizeof empty)) return false;
    }
    if (!FileReadWritable(path)) return false;
  }

  readFlagsPath(path, sizeof path);
  if (!FileExists(path)) {
    TReadFlagsData fresh{};
    fresh.Options.TextSpeed = 1;
    if (!WriteWholeFileAtomic(path, &fresh, sizeof fresh)) return false;
  }
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data)) return false;
  TakeReadFlags(data.data(), data.size());
  readFlagsLoaded = true;

  std::memset(SaveData.Flags, 0, sizeof SaveData.Flags);
  return FileReadWritable(path);
}

bool TMainFrm::SaveSlot(int slot) {
  if (slot < 1 || slot > kSlotCount) return false;

  SYSTEMTIME now;
  GetLocalTime(&now);
  SaveData.SaveYear = static_cast<int16_t>(now.wYear);
  SaveData.SaveMonth = static_cast<int16_t>(now.wMonth);
  SaveData.SaveDay = static_cast<int16_t>(now.wDay);
  SaveData.SaveHour = static_cast<int16_t>(now.wHour);
  SaveData.SaveMinute = static_cast<int16_t>(now.wMinute);

  // The title is cut to the field at a character boundary, keeping its terminator.
  const char* title = NodeTitle;
  if (!title[0]) {
    TScenarioNode* node = TreeViewSinario.Item(NodeIndex);
    title = node ? node->Title() : "";
  }
  CopyCut(SaveData.SaveTitle, sizeof SaveData.SaveTitle, title);

  SaveData.SaveNodeIndex = static_cast<int16_t>(NodeIndex & 0xFFFF);
  SaveData.SaveLineIndex =
      static_cast<int16_t>((LineIndex != 0 ? LineIndex : NodeLineCount) & 0xFFFF);

  std::memset(SaveData.BgmFileName, 0, sizeof SaveData.BgmFileName);
  SaveData.BgmWasPlaying = 0;
  if (MediaPlayer) {
    CopyCut(SaveData.BgmFileName, sizeof SaveData.BgmFileName,
            fileNamePart(MediaPlayer->FileName.c_str()));
    SaveData.BgmWasPlaying = MediaPlayer->Mode() == mpPlaying ? 1 : 0;
  }

  char path[kPathBytes];
  slotPath(slot, path, sizeof path);
  if (!FileReadWritable(path)) return false;
  return WriteWholeFileAtomic(path, &SaveData, sizeof SaveData);
}

void TMainFrm::TakeReadFlags(const uint8_t* data, size_t size) {
  if (size > 0) std::memcpy(&ReadFlags, data, std::min(size, sizeof ReadFlags));
}

bool TMainFrm::LoadSlot(int slot, bool redraw) {
  if (slot < 1 || slot > kSlotCount) return false;
  char path[kPathBytes];
  slotPath(slot, path, sizeof path);
  if (!FileExists(path)) return false;
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data)) return false;
  return LoadSlotRecord(data.data(), data.size(), redraw);
}

// The slot is read aside first. A file of another size than one record is not a record this
// program wrote (cut short by a full disk on another system, or not a save at all): loading it
// would take zeros for what is missing. A node not in the scenario (a scenario changed since the
// save) is reported.
bool TMainFrm::LoadSlotRecord(const uint8_t* data, size_t size, bool redraw) {
  TSaveData loaded{};
  if (size != sizeof loaded) return false;
  std::memcpy(&loaded, data, sizeof loaded);
  if (!TreeViewSinario.Item(loaded.SaveNodeIndex)) {
    ReportError(ecNodeNotFound);
    return false;
  }

  TSaveData previous = SaveData;
  SaveData = loaded;
  if (!ReplayScene(redraw)) {
    SaveData = previous;
    ReportError(ecNodeNotFound);
    return false;
  }
  ReadFlags.PlayCount = static_cast<int16_t>(ReadFlags.PlayCount + 1);
  return true;
}

void TMainFrm::ReadSlotHeaders() {
  char path[kPathBytes];
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    TSaveData& entry = SlotCache[slot - 1];
    std::memset(&entry, 0, sizeof entry);
    slotPath(slot, path, sizeof path);
    if (FileExists(path)) readRecord(path, &entry, sizeof entry);
  }
}

bool TMainFrm::MarkNodeRead() {
  SaveData.SetSlotRead(NodeIndex);
  ReadFlags.SetRead(NodeIndex);
  if (!readFlagsLoaded) return false;
  char path[kPathBytes];
  readFlagsPath(path, sizeof path);
  if (!FileReadWritable(path)) return false;
  return WriteWholeFileAtomic(path, &ReadFlags, sizeof ReadFlags);
}

bool TMainFrm::IsNodeRead(int node) {
  if (node < 0 || node >= kNodeMarkCount) return false;
  uint8_t& mark = ReadFlags.ReadBits[node / 8];
  mark = static_cast<uint8_t>(mark | SaveData.SlotReadBits[node / 8]);
  return (mark & (1u << (node % 8))) != 0;
}

void TMainFrm::WriteReadFlags() {
  // A start-up that failed before the file was read must not overwrite it with zeros.
  if (!readFlagsLoaded) return;
  char path[kPathBytes];
  readFlagsPath(path, sizeof path);
  if (FileReadWritable(path)) WriteWholeFileAtomic(path, &ReadFlags, sizeof ReadFlags);
}

void TMainFrm::setFlag(int n) { SaveData.SetFlag(n); }

void TMainFrm::toggleFlag(int n) { SaveData.ToggleFlag(n); }

bool TMainFrm::testFlag(int n) { return SaveData.TestFlag(n); }
