#include "scenario/node_tree.h"

#include <algorithm>
#include <utility>

#include "platform/text/cp932.h"

// ---- TScenarioNode --------------------------------------------------------------------------

void TScenarioNode::SetText(std::string_view title) {
  // Only an over-long title is cut; a title that fits is kept byte for byte, even one that ends
  // in a lone lead byte.
  size_t n = title.size();
  if (n > kMaxNodeTitleBytes) n = CutAtCharBoundary(title.data(), n, kMaxNodeTitleBytes);
  title_.assign(title.data(), n);
}

void TScenarioNode::SetBody(std::string_view body) {
  body_.assign(body.data(), body.size());
  hasBody_ = true;
}

void TScenarioNode::ClearBody() {
  body_.clear();
  body_.shrink_to_fit();
  hasBody_ = false;
}

int TScenarioNode::LineCount() const {
  if (body_.empty()) return 0;
  int lines = static_cast<int>(std::count(body_.begin(), body_.end(), '\n'));
  if (body_.back() != '\n') ++lines;
  return lines;
}

TScenarioNode* TScenarioNode::Item(int k) const {
  if (k < 0 || k >= Count()) return nullptr;
  return children_[static_cast<size_t>(k)];
}

TScenarioNode* TScenarioNode::getNextSibling() const {
  const std::vector<TScenarioNode*>& siblings = parent_ ? parent_->children_ : owner_->topLevel_;
  size_t next = static_cast<size_t>(siblingIndex_) + 1;
  return next < siblings.size() ? siblings[next] : nullptr;
}

TScenarioNode* TScenarioNode::getPrevSibling() const {
  if (siblingIndex_ == 0) return nullptr;
  const std::vector<TScenarioNode*>& siblings = parent_ ? parent_->children_ : owner_->topLevel_;
  return siblings[static_cast<size_t>(siblingIndex_) - 1];
}

TScenarioNode* TScenarioNode::GetNext() const {
  if (!children_.empty()) return children_.front();
  for (const TScenarioNode* n = this; n; n = n->parent_) {
    if (TScenarioNode* sibling = n->getNextSibling()) return sibling;
  }
  return nullptr;
}

int TScenarioNode::AbsoluteIndex() const {
  owner_->ensureOrder();
  return absoluteIndex_;
}

int TScenarioNode::Level() const {
  int level = 0;
  for (const TScenarioNode* n = parent_; n; n = n->parent_) ++level;
  return level;
}

// ---- TNodeTree ------------------------------------------------------------------------------

TNodeTree::TNodeTree(TNodeTree&& other) noexcept { Swap(other); }

TNodeTree& TNodeTree::operator=(TNodeTree&& other) noexcept {
  if (this != &other) {
    Clear();
    Swap(other);
  }
  return *this;
}

void TNodeTree::Swap(TNodeTree& other) noexcept {
  std::swap(nodes_, other.nodes_);
  std::swap(topLevel_, other.topLevel_);
  std::swap(ordered_, other.ordered_);
  adopt();
  other.adopt();
}

void TNodeTree::adopt() {
  for (auto& node : nodes_) node->owner_ = this;
}

void TNodeTree::Clear() {
  nodes_.clear();
  topLevel_.clear();
  ordered_ = true;
}

TScenarioNode* TNodeTree::Item(int absoluteIndex) const {
  if (absoluteIndex < 0 || absoluteIndex >= Count()) return nullptr;
  ensureOrder();
  return nodes_[static_cast<size_t>(absoluteIndex)].get();
}

TScenarioNode* TNodeTree::AddChild(TScenarioNode* parent, std::string_view title) {
  if (parent && parent->owner_ != this) return nullptr;
  if (ordered_ && parent && !nodes_.empty()) {
    // The new node stays last in pre-order only when its parent is the last node or one of the
    // last node's ancestors.
    const TScenarioNode* n = nodes_.back().get();
    while (n && n != parent) n = n->parent_;
    if (!n) ordered_ = false;
  }
  std::unique_ptr<TScenarioNode> node(new TScenarioNode(this));
  TScenarioNode* added = node.get();
  added->SetText(title);
  added->parent_ = parent;
  std::vector<TScenarioNode*>& siblings = parent ? parent->children_ : topLevel_;
  added->siblingIndex_ = static_cast<int>(siblings.size());
  siblings.push_back(added);
  added->absoluteIndex_ = Count();
  nodes_.push_back(std::move(node));
  return added;
}

void TNodeTree::ensureOrder() const {
  if (ordered_) return;
  // Re-walk the tree in pre-order without recursion (a scenario may nest very deeply).
  std::vector<std::unique_ptr<TScenarioNode>> old;
  old.swap(nodes_);
  std::vector<TScenarioNode*> order;
  order.reserve(old.size());
  std::vector<TScenarioNode*> stack(topLevel_.rbegin(), topLevel_.rend());
  while (!stack.empty()) {
    TScenarioNode* n = stack.back();
    stack.pop_back();
    n->absoluteIndex_ = static_cast<int>(order.size());
    order.push_back(n);
    for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) stack.push_back(*it);
  }
  nodes_.resize(old.size());
  for (auto& node : old) {
    size_t at = static_cast<size_t>(node->absoluteIndex_);
    nodes_[at] = std::move(node);
  }
  ordered_ = true;
}

int TNodeTree::FindTitlePrefix(std::string_view prefix) const {
  ensureOrder();
  for (size_t i = 0; i < nodes_.size(); ++i) {
    const std::string& title = nodes_[i]->title_;
    if (title.size() >= prefix.size() && title.compare(0, prefix.size(), prefix) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}
