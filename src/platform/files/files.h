// platform/files: the file-system boundary (paths, whole-file reads, atomic writes) and INI
// files (ini.h).
//
// The one file-system boundary. Engine paths are CP932 strings with "\\" separators, built as
// the game logic builds them; here they become native paths.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Native path for an engine path: "\\" becomes "/" (walking the bytes as CP932, so a trail byte
// 0x5C is kept), and when the name does not exist as given it is tried as UTF-8 converted from
// CP932 and then matched case-insensitively, component by component. When nothing matches the
// best native spelling is returned (for creating new files).
std::string ResolvePath(const char* enginePath);

bool FileExists(const char* enginePath);            // an existing regular file
bool FileReadWritable(const char* enginePath);      // exists, readable and writable
bool DirectoryWritable(const std::string& nativeDir);
bool ReadWholeFile(const char* enginePath, std::vector<uint8_t>& out);
// Writes the whole file atomically: a temporary file in the same folder, flushed, then renamed
// over the old one. On any failure the old file is left as it was and false is returned. The
// steps that write go through the current backend (Backend::FileCreate and the others).
bool WriteWholeFileAtomic(const char* enginePath, const void* data, size_t size);

