// Feeds arbitrary bytes to the scenario parser, as a plain file and as a scrambled one, checks
// that the tree it builds is well formed and compares it with a straightforward line-list build
// of the same text (which searches the accumulator for the marker instead of tracking it).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "scenario/scenario_file.h"
#include "support/fuzz_setup.h"

namespace {

struct RefNode {
  int parent;
  std::string title;
  bool hasBody = false;
  std::string body;
};

std::string cutTo(const std::string& s, size_t max) {
  return s.size() > max ? s.substr(0, CutAtCharBoundary(s.data(), s.size(), max)) : s;
}

std::vector<RefNode> referenceBuild(const char* data, size_t size) {
  if (const void* nul = std::memchr(data, 0, size)) {
    size = static_cast<size_t>(static_cast<const char*>(nul) - data);
  }
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\r' || data[i] == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
    } else {
      cur += data[i];
    }
  }
  if (!cur.empty()) lines.push_back(cur);

  std::vector<RefNode> nodes{{-1, ""}};
  int current = 0;
  std::string b, t;
  for (const std::string& l : lines) {
    if (t.empty() && l.size() >= 2 && l.back() == ' ') {
      t = cutTo(l.substr(0, l.size() - 1), kMaxTitleLineBytes - 1);
    } else {
      b += cutTo(l, kMaxScenarioLineBytes) + "\n";
    }
    if (l.empty() || (l[0] != ' ' && l[0] != '\t')) continue;
    nodes[current].title = t;
    size_t pos = b.find("\n\t");
    if (pos == std::string::npos) pos = b.find("\n ");
    if (pos != std::string::npos) {
      nodes[current].hasBody = true;
      nodes[current].body = b.substr(0, pos + 1);
    }
    int parent = current;
    if (l[0] == ' ') {
      for (char c : l) {
        if (c != ' ') continue;
        if (nodes[parent].parent >= 0) parent = nodes[parent].parent;
        if (nodes[parent].parent < 0) break;
      }
    }
    nodes.push_back({parent, ""});
    current = static_cast<int>(nodes.size()) - 1;
    b.clear();
    t.clear();
  }
  nodes[current].title = t;
  nodes[current].hasBody = true;
  nodes[current].body = b;
  return nodes;
}

void parseAndCheck(const char* data, size_t size) {
  TNodeTree tree;
  std::vector<TScenarioNote> notes;
  BuildScenarioTree(data, size, tree, &notes);
  FuzzCheck(tree.Count() >= 1);
  FuzzCheck(tree.Root()->Parent() == nullptr);
  FuzzCheck(tree.Root()->getNextSibling() == nullptr);  // exactly one top-level node
  // The last node always has a body.
  FuzzCheck(tree.Item(tree.Count() - 1)->HasBody());
  for (int i = 0; i < tree.Count(); ++i) {
    const TScenarioNode* n = tree.Item(i);
    FuzzCheck(n->AbsoluteIndex() == i);
    FuzzCheck(n->Text().size() <= kMaxNodeTitleBytes);
    if (i > 0) {
      FuzzCheck(n->Parent() != nullptr && n->Parent()->AbsoluteIndex() < i);
      FuzzCheck(n->GetNext() == tree.Item(i + 1));
    }
    // Every kept line fits the 1024-byte line buffer with its "\n" and terminator.
    const std::string& body = n->BodyText();
    size_t start = 0;
    while (start < body.size()) {
      size_t end = body.find('\n', start);
      FuzzCheck(end != std::string::npos);
      FuzzCheck(end - start <= kMaxScenarioLineBytes);
      start = end + 1;
    }
  }
  if (!tree.Item(tree.Count() - 1)->Text().empty()) {
    FuzzCheck(tree.FindTitlePrefix(tree.Item(tree.Count() - 1)->Text()) >= 0);
  }
  for (const TScenarioNote& note : notes) FuzzCheck(note.node >= 0 && note.node < tree.Count());

  std::vector<RefNode> ref = referenceBuild(data, size);
  FuzzCheck(static_cast<int>(ref.size()) == tree.Count());
  for (int i = 0; i < tree.Count(); ++i) {
    const TScenarioNode* n = tree.Item(i);
    const RefNode& r = ref[static_cast<size_t>(i)];
    FuzzCheck((n->Parent() ? n->Parent()->AbsoluteIndex() : -1) == r.parent);
    FuzzCheck(n->Text() == r.title);
    FuzzCheck(n->HasBody() == r.hasBody);
    FuzzCheck(n->BodyText() == r.body);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  parseAndCheck(bytes.data(), bytes.size());
  ScrambleBuffer(bytes.data(), bytes.size(), ScenarioSeed);
  parseAndCheck(bytes.data(), bytes.size());
  return 0;
}
