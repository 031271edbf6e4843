// TStringList: an unsorted list of CP932 strings, as the node lines and the backlog use it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TStringList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  // Appends s and returns its index.
  int Add(std::string_view s) {
    items_.emplace_back(s);
    return Count() - 1;
  }
  // Inserts s before index i (0 <= i <= Count; other indices append).
  void Insert(int i, std::string_view s) {
    if (i < 0 || i > Count()) i = Count();
    items_.insert(items_.begin() + i, std::string(s));
  }
  // Removes entry i; an index out of range does nothing.
  void Delete(int i) {
    if (i >= 0 && i < Count()) items_.erase(items_.begin() + i);
  }
  // Entry i; an index out of range gives an empty string (never out of bounds).
  const std::string& operator[](int i) const {
    static const std::string empty;
    return (i >= 0 && i < Count()) ? items_[static_cast<size_t>(i)] : empty;
  }
  // Replaces entry i; an index out of range does nothing.
  void Put(int i, std::string_view s) {
    if (i >= 0 && i < Count()) items_[static_cast<size_t>(i)] = std::string(s);
  }
  const std::string& Strings(int i) const { return (*this)[i]; }

  // The entries joined, each followed by "\n".
  std::string Text() const {
    std::string out;
    for (const std::string& s : items_) {
      out += s;
      out += '\n';
    }
    return out;
  }
  // Replaces the entries with the lines of text: split at "\n", "\r\n" or a lone "\r"; a break
  // at the very end gives no extra empty entry.
  void SetText(std::string_view text) {
    items_.clear();
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
      char c = text[i];
      if (c == '\n' || c == '\r') {
        items_.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
      }
      ++i;
    }
    if (start < text.size()) items_.emplace_back(text.substr(start));
  }

  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
};
