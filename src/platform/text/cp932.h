// Code page 932 (Shift-JIS, Microsoft's table) helpers. Text inside the engine is CP932 bytes;
// source files are UTF-8 and their literals go through SJ() once.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// 0x81-0x9F and 0xE0-0xFC start a two-byte character.
bool IsLeadByte(unsigned char c);

// Length of the longest prefix of s[0..len) that is at most maxBytes long and does not end in
// the middle of a two-byte character.
size_t CutAtCharBoundary(const char* s, size_t len, size_t maxBytes);

// How many bytes of s[0..len) a buffer of maxBytes keeps: all of them when they fit, even when
// the last is a lone lead byte; only a longer text is cut, at a character boundary.
size_t FitToBuffer(const char* s, size_t len, size_t maxBytes);

// ASCII case-insensitive comparison of two CP932 names. Only single-byte characters are folded:
// a trail byte may fall in the letter range, and "ア" (0x83 0x41) must not equal "ヂ" (0x83 0x61).
bool EqualCp932NoCase(std::string_view a, std::string_view b);
unsigned char FoldAscii(unsigned char c);

// Length of the well-formed UTF-8 sequence at s[i] and its code point in *cp; 0 when it is
// malformed (overlong, a surrogate, beyond U+10FFFF, cut short) or i is past the end.
size_t DecodeUtf8Char(std::string_view s, size_t i, char32_t* cp);  // 'a'-'z' to upper case, every other byte as it is

// Copies the zero-terminated src into dst[dstSize]; a text too long for it is cut at a character
// boundary so that the terminator fits (FitToBuffer). dstSize must be at least 1.
void CopyCut(char* dst, size_t dstSize, const char* src);
// Appends src to the zero-terminated dst[dstSize] with the same cutting rule.
void AppendCut(char* dst, size_t dstSize, const char* src);

// Conversions through iconv ("CP932"). Cp932ToUtf8 replaces bytes that cannot be decoded with
// U+FFFD. Utf8ToCp932 returns false when a character has no CP932 form; *badOffset then holds
// the byte offset of that character in the input.
std::string Cp932ToUtf8(std::string_view s);
bool Utf8ToCp932(std::string_view s, std::string& out, size_t* badOffset = nullptr);
// The CP932 form of UTF-8 text from outside (typed text, the clipboard): characters without a
// CP932 form and malformed bytes are dropped.
std::string Utf8ToCp932Dropping(std::string_view s);

// The CP932 form of a UTF-8 literal of the program's own (messages, captions, commands). The
// result lives as long as the program; the same literal converts once (a buffer whose text has
// changed since is converted again). A character without a CP932 form becomes "?". Main thread
// only: the cache has no lock.
const char* SJ(const char* utf8Literal);

// Decodes the character at s[i] into a Unicode code point and returns its byte length (1 or 2).
// Bytes that CP932 does not map give U+FFFD and length 1 (a bad trail byte is not consumed).
size_t DecodeCp932Char(const char* s, size_t len, size_t i, char32_t* cp);
