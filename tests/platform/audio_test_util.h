// Sound files for the audio tests.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

inline void put16(std::string& s, uint16_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char(v >> 8));
}
inline void put32(std::string& s, uint32_t v) {
  put16(s, uint16_t(v & 0xFFFF));
  put16(s, uint16_t(v >> 16));
}
inline void put32be(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

// A 16-bit PCM WAV file holding a sine of the given frequency and amplitude (0..32767).
inline std::string SineWav(int rate, int channels, double seconds, double hz, int amplitude) {
  uint32_t frames = uint32_t(rate * seconds);
  uint32_t dataBytes = frames * uint32_t(channels) * 2;
  std::string s = "RIFF";
  put32(s, 36 + dataBytes);
  s += "WAVEfmt ";
  put32(s, 16);
  put16(s, 1);
  put16(s, uint16_t(channels));
  put32(s, uint32_t(rate));
  put32(s, uint32_t(rate * channels * 2));
  put16(s, uint16_t(channels * 2));
  put16(s, 16);
  s += "data";
  put32(s, dataBytes);
  for (uint32_t i = 0; i < frames; ++i) {
    int16_t v = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    for (int c = 0; c < channels; ++c) put16(s, uint16_t(v));
  }
  return s;
}

// A format-0 Standard MIDI File: a piano playing the given notes one after another, each held
// for quarterMs (at 120 beats a minute, 480 ticks a beat), at full velocity.
inline std::string NotesMidi(const std::vector<int>& notes, int quarterMs = 500) {
  std::string track;
  auto delta = [&](uint32_t v) {
    uint8_t bytes[5];
    int n = 0;
    bytes[n++] = uint8_t(v & 0x7F);
    while (v >>= 7) bytes[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n) track.push_back(char(bytes[--n]));
  };
  uint32_t ticks = uint32_t(480 * quarterMs / 500);
  delta(0);
  track += std::string("\xFF\x51\x03\x07\xA1\x20", 6);  // tempo 500000 us a beat
  delta(0);
  track += std::string("\xC0\x00", 2);  // program 0: piano
  delta(0);
  track += std::string("\xB0\x07\x7F", 3);  // channel volume full
  for (int note : notes) {
    delta(0);
    track.push_back(char(0x90));
    track.push_back(char(note));
    track.push_back(char(0x7F));
    delta(ticks);
    track.push_back(char(0x80));
    track.push_back(char(note));
    track.push_back(char(0x40));
  }
  delta(0);
  track += std::string("\xFF\x2F\x00", 3);
  std::string s = "MThd";
  put32be(s, 6);
  s += std::string("\x00\x00\x00\x01\x01\xE0", 6);  // format 0, one track, 480 ticks a beat
  s += "MTrk";
  put32be(s, uint32_t(track.size()));
  s += track;
  return s;
}

}  // namespace audiotest
