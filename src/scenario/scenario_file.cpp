#include "scenario/scenario_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/text/cp932.h"
#include "platform/files/files.h"

int NextRandom(uint32_t& RandomState) {
  RandomState = RandomState * 1103515245u + 12345u;
  return static_cast<int>((RandomState >> 16) & 0x7FFF);
}

void ScrambleBuffer(void* buffer, size_t count, uint32_t seed) {
  uint32_t RandomState = 1;
  RandomState = seed;
  unsigned char* bytes = static_cast<unsigned char*>(buffer);
  for (size_t i = 0; i < count; ++i) {
    bytes[i] ^= static_cast<unsigned char>(NextRandom(RandomState) >> 8);
  }
}

namespace {

// Position of the first c in text[from..size), or size.
size_t findByte(const char* text, size_t from, size_t size, char c) {
  if (from >= size) return size;
  const void* hit = std::memchr(text + from, c, size - from);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text) : size;
}

// Scans the text line by line (CR, LF and CR LF end a line; a break at the very end opens no
// further line) and builds the tree as it goes, so no line list is ever held.
class TreeBuilder {
 public:
  TreeBuilder(TNodeTree& tree, std::vector<TScenarioNote>* notes,
              std::vector<TNodeSource>* sources)
      : tree_(tree), notes_(notes), sources_(sources) {}

  void run(const char* text, size_t size) {
    current_ = tree_.AddChild(nullptr, {});
    if (sources_) sources_->emplace_back();
    size_t p = 0;
    // The next CR and the next LF are each searched once and reused until passed, so a text
    // that uses only one kind of break is still scanned in linear time.
    size_t nextCr = findByte(text, 0, size, '\r');
    size_t nextLf = findByte(text, 0, size, '\n');
    while (p < size) {
      if (nextCr < p) nextCr = findByte(text, p, size, '\r');
      if (nextLf < p) nextLf = findByte(text, p, size, '\n');
      size_t eol = std::min(nextCr, nextLf);
      ++lineNo_;
      line(std::string_view(text + p, eol - p));
      if (eol >= size) break;
      p = eol + 1;
      if (text[eol] == '\r' && p < size && text[p] == '\n') ++p;
    }
    // The last node keeps the whole accumulator as its body, even when it is empty.
    current_->SetText(title_);
    current_->SetBody(std::string_view(body_));
  }

  int linesSeen() const { return lineNo_; }

 private:
  void note(TScenarioNote::Kind kind, size_t count) {
    if (notes_) notes_->push_back(TScenarioNote{kind, lineNo_, current_->AbsoluteIndex(), count});
  }

  void line(std::string_view l) {
    // Title capture: the first line of a block that ends in a blank becomes the title instead of
    // a body line. The decision looks at the whole line as written; only what is stored is cut.
    bool becameTitle = false;
    if (!haveTitle_ && l.size() >= 2 && l.back() == ' ') {
      std::string_view t = l.substr(0, l.size() - 1);
      if (l.size() > kMaxTitleLineBytes) {
        t = t.substr(0, CutAtCharBoundary(t.data(), t.size(), kMaxTitleLineBytes - 1));
        note(TScenarioNote::TitleCut, l.size());
      }
      title_.assign(t.data(), t.size());
      haveTitle_ = true;
      becameTitle = true;
      if (sources_) sources_->back().titleLine = lineNo_;
    } else {
      std::string_view kept = l;
      if (l.size() > kMaxScenarioLineBytes) {
        kept = l.substr(0, CutAtCharBoundary(l.data(), l.size(), kMaxScenarioLineBytes));
        note(TScenarioNote::LineCut, l.size());
      }
      markerStart_ = body_.size();
      body_.append(kept.data(), kept.size());
      body_.push_back('\n');
      if (sources_) sources_->back().bodyLines.push_back(lineNo_);
    }

    if (l.empty() || (l[0] != ' ' && l[0] != '\t')) return;

    // A marker line closes the current node. Its body is the accumulator up to the first "\n\t",
    // or failing that the first "\n ", newline included. Every line of the accumulator but the
    // last one begins with neither (such a line would have closed the node), so the only place
    // either can be found is just before the marker line, when the marker line went into the
    // accumulator and something precedes it.
    current_->SetText(title_);
    std::vector<int>* lines = sources_ ? &sources_->back().bodyLines : nullptr;
    if (!becameTitle && markerStart_ > 0) {
      current_->SetBody(std::string_view(body_.data(), markerStart_));
      if (lines) lines->pop_back();  // the marker line itself
    } else if (!current_->HasBody()) {
      if (lines) lines->clear();
    }
    if (becameTitle && !body_.empty()) {
      // The marker line went into the title instead, so no marker is found and the node's lines
      // are not kept.
      note(TScenarioNote::BodyDropped,
           static_cast<size_t>(std::count(body_.begin(), body_.end(), '\n')));
    }

    TScenarioNode* parent = current_;
    if (l[0] == ' ') {
      // Every blank of the line, not only the leading run, moves one level up; the root stops it.
      for (char c : l) {
        if (!parent->Parent()) break;
        if (c == ' ') parent = parent->Parent();
      }
    }
    current_ = tree_.AddChild(parent, {});
    if (sources_) sources_->push_back(TNodeSource{lineNo_, 0, {}});
    body_.clear();
    title_.clear();
    haveTitle_ = false;
  }

  TNodeTree& tree_;
  std::vector<TScenarioNote>* notes_;
  std::vector<TNodeSource>* sources_;
  TScenarioNode* current_ = nullptr;
  std::string body_;   // the accumulator of the current node's lines
  std::string title_;  // the current node's title, once captured
  bool haveTitle_ = false;
  size_t markerStart_ = 0;  // where the line appended last begins in body_
  int lineNo_ = 0;
};

}  // namespace

void BuildScenarioTree(const char* text, size_t size, TNodeTree& tree,
                       std::vector<TScenarioNote>* notes, std::vector<TNodeSource>* sources) {
  tree.Clear();
  if (sources) sources->clear();
  if (!text) {
    text = "";
    size = 0;
  }
  size_t length = size;
  if (const void* nul = size ? std::memchr(text, 0, size) : nullptr) {
    length = static_cast<size_t>(static_cast<const char*>(nul) - text);
  }
  TreeBuilder builder(tree, notes, sources);
  builder.run(text, length);
  if (notes && length < size) {
    // The NUL sits on the line after the last one seen when the text before it ends in a break.
    int line = builder.linesSeen();
    if (line == 0 || text[length - 1] == '\r' || text[length - 1] == '\n') ++line;
    notes->push_back(TScenarioNote{TScenarioNote::TextEnded, line, tree.Count() - 1, length});
  }
}

bool LoadScenarioFile(const char* enginePath, bool scrambled, TNodeTree& tree) {
  if (!enginePath || !FileExists(enginePath)) return false;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(enginePath, bytes)) return false;
  if (scrambled) ScrambleBuffer(bytes.data(), bytes.size(), ScenarioSeed);
  BuildScenarioTree(reinterpret_cast<const char*>(bytes.data()), bytes.size(), tree);
  return true;
}
