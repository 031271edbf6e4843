// Reading Windows INI files with the rules of GetPrivateProfileStringA / GetPrivateProfileIntA.
// The file is read anew at every call, so a value changed on disk is seen at its next use.
#pragma once
#include <cstdint>
#include <string_view>

// section, key, def and the result are CP932; file is an engine path. Returns the number of
// bytes copied to out (without the terminator). The value is cut to size - 1 bytes.
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                  char* out, uint32_t size, const char* file);
// True when the key is present (so a result equal to the default is still "not missing").
bool ProfileKeyExists(const char* section, const char* key, const char* file);
int32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t def,
                              const char* file);

// The same rules over a file's text already in memory.
uint32_t ProfileStringFromText(std::string_view text, const char* section, const char* key,
                               const char* def, char* out, uint32_t size);
bool ProfileKeyInText(std::string_view text, const char* section, const char* key);
int32_t ProfileIntFromText(std::string_view text, const char* section, const char* key,
                           int32_t def);
