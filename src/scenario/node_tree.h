// The scenario node tree: the container that holds the story's nodes (TreeViewSinario on the
// main form). Nodes are addressed by their zero-based pre-order index ("absolute index"): a node
// comes before its children, children in order, depth first; index 0 is the root.
//
// A node has a title (CP932, at most 253 bytes), an optional body (its lines, each followed by
// "\n"; "no body" is distinct from an empty body) and an ordered list of children. Nodes belong
// to the tree and are released with it.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TNodeTree;

// Longest title a node holds, in bytes (a 256-byte title buffer holds the title line: the title,
// its trailing blank and the terminator).
constexpr size_t kMaxNodeTitleBytes = 253;

class TScenarioNode {
 public:
  TScenarioNode(const TScenarioNode&) = delete;
  TScenarioNode& operator=(const TScenarioNode&) = delete;

  // Title (the tree item's text). SetText cuts at kMaxNodeTitleBytes on a character boundary.
  const std::string& Text() const { return title_; }
  const char* Title() const { return title_.c_str(); }
  void SetText(std::string_view title);

  // Body: the node's lines, each followed by "\n". Body() is null when the node has none.
  bool HasBody() const { return hasBody_; }
  const char* Body() const { return hasBody_ ? body_.c_str() : nullptr; }
  const std::string& BodyText() const { return body_; }  // "" when there is no body
  void SetBody(std::string_view body);
  void ClearBody();
  // Number of lines of the body: its "\n" count, plus one for a last line without one.
  int LineCount() const;

  // Structure.
  TScenarioNode* Parent() const { return parent_; }
  bool HasChildren() const { return !children_.empty(); }
  int Count() const { return static_cast<int>(children_.size()); }  // number of children
  TScenarioNode* Item(int k) const;  // k-th child (k from 0), null when out of range
  TScenarioNode* getFirstChild() const { return Item(0); }
  TScenarioNode* getLastChild() const { return Item(Count() - 1); }
  TScenarioNode* getNextSibling() const;
  TScenarioNode* getPrevSibling() const;
  TScenarioNode* GetNext() const;  // the next node in pre-order, null after the last
  int Index() const { return siblingIndex_; }  // position among its siblings
  int AbsoluteIndex() const;                   // pre-order index in the tree
  int Level() const;                           // depth: 0 for a top-level node
  TNodeTree* Owner() const { return owner_; }

 private:
  friend class TNodeTree;
  explicit TScenarioNode(TNodeTree* owner) : owner_(owner) {}

  TNodeTree* owner_;
  TScenarioNode* parent_ = nullptr;
  std::vector<TScenarioNode*> children_;  // owned by the tree
  int siblingIndex_ = 0;
  mutable int absoluteIndex_ = 0;
  std::string title_;
  std::string body_;
  bool hasBody_ = false;
};

class TNodeTree {
 public:
  TNodeTree() = default;
  ~TNodeTree() = default;
  TNodeTree(const TNodeTree&) = delete;
  TNodeTree& operator=(const TNodeTree&) = delete;
  TNodeTree(TNodeTree&& other) noexcept;
  TNodeTree& operator=(TNodeTree&& other) noexcept;

  void Clear();
  int Count() const { return static_cast<int>(nodes_.size()); }
  bool IsEmpty() const { return nodes_.empty(); }
  // Node by absolute index; null when the index is out of range.
  TScenarioNode* Item(int absoluteIndex) const;
  TScenarioNode* Root() const { return Item(0); }  // the first top-level node
  TScenarioNode* GetFirstNode() const { return Item(0); }

  // Appends a node with the given title as the last child of parent (a top-level node when
  // parent is null). parent must belong to this tree. Returns the new node.
  TScenarioNode* AddChild(TScenarioNode* parent, std::string_view title = {});

  // Absolute index of the first node, in index order, whose title begins with prefix (compared
  // over the prefix's length; an empty prefix matches node 0). -1 when none matches.
  int FindTitlePrefix(std::string_view prefix) const;

  // Swaps the contents of two trees (a new tree can be built aside and swapped in whole).
  void Swap(TNodeTree& other) noexcept;

 private:
  friend class TScenarioNode;
  void ensureOrder() const;
  void adopt();

  // Every node, in pre-order while ordered_ holds. Appending under the last node or one of its
  // ancestors keeps pre-order (the scenario parser only does that); any other append marks the
  // order stale and the next indexed access re-walks the tree.
  mutable std::vector<std::unique_ptr<TScenarioNode>> nodes_;
  std::vector<TScenarioNode*> topLevel_;
  mutable bool ordered_ = true;
};
