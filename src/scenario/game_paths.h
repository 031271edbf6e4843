// Where the engine looks for a game's files: the picture, music and sound folders and the
// picture extensions of the configuration file, and the paths the script commands and the
// ending screen build from a name. The engine and the author tools build every path here, so a
// file the checker finds is the file the engine opens. All paths are engine paths (CP932,
// "\\" separators); every function cuts to size bytes like the engine's fixed buffers.
#pragma once
#include <cstddef>

// True when the zero-terminated CP932 string ends in a backslash character (not in the trail
// byte 0x5C of a two-byte character).
bool EndsWithBackslash(const char* s);

enum TGameFolderKind { gfPictures, gfMusic, gfSounds };

// The folder of the kind, from "[SYSTEM] GrpPath/BgmPath/WavPath" of the configuration file
// iniPath, relative to programDir and ending in a backslash.
void ReadGameFolder(TGameFolderKind kind, const char* programDir, const char* iniPath, char* out,
                    size_t size);
// The picture extensions "[GRP] EXTB" (default and when empty "BMP") and "EXTJ" (default "JPG").
void ReadPictureExtensions(const char* iniPath, char* extBmp, char* extJpg, size_t size);

// folder + name + "." + ext: a picture of the script. Empty when it does not fit (a cut path
// would name some other file).
void FormatPicturePath(char* out, size_t size, const char* folder, const char* name,
                       const char* ext);
// folder + "nnnn.mid" (four digits at least): the music of "#BGMLOAD=n".
void FormatMusicNumberPath(char* out, size_t size, const char* folder, int n);
// folder + name: the files of "#BGMNLOAD" and "#WAVEPLAY...".
void FormatFolderFilePath(char* out, size_t size, const char* folder, const char* name);
// programDir + "mscsNN.esf" (a backslash between them when programDir has none at its end): the
// ending file of "#GOENDING=n". False (and out empty) when it does not fit.
bool FormatEndingFilePath(char* out, size_t size, const char* programDir, int n);
