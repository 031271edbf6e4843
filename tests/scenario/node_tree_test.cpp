#include "scenario/node_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Builds:        0 root
//                ├ 1 a
//                │ ├ 2 a1
//                │ └ 3 a2
//                └ 4 b
//                  └ 5 b1
struct SampleTree {
  TNodeTree tree;
  SampleTree() {
    TScenarioNode* root = tree.AddChild(nullptr, "root");
    TScenarioNode* a = tree.AddChild(root, "a");
    tree.AddChild(a, "a1");
    tree.AddChild(a, "a2");
    TScenarioNode* b = tree.AddChild(root, "b");
    tree.AddChild(b, "b1");
  }
};

std::vector<std::string> titlesByIndex(const TNodeTree& tree) {
  std::vector<std::string> t;
  for (int i = 0; i < tree.Count(); ++i) t.push_back(tree.Item(i)->Text());
  return t;
}

TEST(NodeTree, NavigationAgreesWithPreOrderIndices) {
  SampleTree s;
  const TNodeTree& tree = s.tree;
  ASSERT_EQ(tree.Count(), 6);
  EXPECT_EQ(titlesByIndex(tree), (std::vector<std::string>{"root", "a", "a1", "a2", "b", "b1"}));

  // Walking GetNext from the root visits the nodes in index order.
  int i = 0;
  for (TScenarioNode* n = tree.Root(); n; n = n->GetNext(), ++i) {
    EXPECT_EQ(n->AbsoluteIndex(), i);
    EXPECT_EQ(tree.Item(i), n);
  }
  EXPECT_EQ(i, 6);

  struct Row {
    int index, level, parent, children, siblingIndex, next, prev;
  };
  const Row rows[] = {
      {0, 0, -1, 2, 0, -1, -1}, {1, 1, 0, 2, 0, 4, -1}, {2, 2, 1, 0, 0, 3, -1},
      {3, 2, 1, 0, 1, -1, 2},   {4, 1, 0, 1, 1, -1, 1}, {5, 2, 4, 0, 0, -1, -1},
  };
  auto indexOf = [](const TScenarioNode* n) { return n ? n->AbsoluteIndex() : -1; };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.index);
    const TScenarioNode* n = tree.Item(r.index);
    EXPECT_EQ(n->Level(), r.level);
    EXPECT_EQ(indexOf(n->Parent()), r.parent);
    EXPECT_EQ(n->Count(), r.children);
    EXPECT_EQ(n->HasChildren(), r.children > 0);
    EXPECT_EQ(n->Index(), r.siblingIndex);
    EXPECT_EQ(indexOf(n->getNextSibling()), r.next);
    EXPECT_EQ(indexOf(n->getPrevSibling()), r.prev);
    for (int k = 0; k < n->Count(); ++k) EXPECT_EQ(n->Item(k)->Parent(), n);
  }
  EXPECT_EQ(tree.Item(1)->getFirstChild()->Text(), "a1");
  EXPECT_EQ(tree.Item(1)->getLastChild()->Text(), "a2");
}

TEST(NodeTree, OutOfRangeLookupsGiveNull) {
  SampleTree s;
  EXPECT_EQ(s.tree.Item(-1), nullptr);
  EXPECT_EQ(s.tree.Item(6), nullptr);
  EXPECT_EQ(s.tree.Item(0)->Item(2), nullptr);
  EXPECT_EQ(s.tree.Item(0)->Item(-1), nullptr);
  EXPECT_EQ(s.tree.Item(2)->getFirstChild(), nullptr);
  EXPECT_EQ(s.tree.Item(2)->getLastChild(), nullptr);

  TNodeTree empty;
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_EQ(empty.Root(), nullptr);
  EXPECT_EQ(empty.FindTitlePrefix(""), -1);
}

TEST(NodeTree, AppendingUnderAnEarlierNodeKeepsPreOrderIndices) {
  SampleTree s;
  // a3 goes under "a", before "b" in pre-order; a top-level node goes last.
  TScenarioNode* a3 = s.tree.AddChild(s.tree.Item(1), "a3");
  TScenarioNode* top = s.tree.AddChild(nullptr, "top");
  TScenarioNode* a11 = s.tree.AddChild(s.tree.Item(2), "a11");
  EXPECT_EQ(titlesByIndex(s.tree), (std::vector<std::string>{"root", "a", "a1", "a11", "a2", "a3",
                                                             "b", "b1", "top"}));
  EXPECT_EQ(a3->AbsoluteIndex(), 5);
  EXPECT_EQ(a11->AbsoluteIndex(), 3);
  EXPECT_EQ(top->AbsoluteIndex(), 8);
  EXPECT_EQ(top->Level(), 0);
  EXPECT_EQ(s.tree.Item(0)->getNextSibling(), top);
  EXPECT_EQ(s.tree.Item(7)->GetNext(), top);
}

TEST(NodeTree, FindTitlePrefixTakesTheFirstMatchInIndexOrder) {
  SampleTree s;
  struct Case {
    const char* prefix;
    int expected;
  };
  const Case cases[] = {
      {"", 0}, {"a", 1}, {"a2", 3}, {"b1", 5}, {"b", 4}, {"root", 0}, {"roots", -1}, {"c", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(s.tree.FindTitlePrefix(c.prefix), c.expected) << c.prefix;
}

TEST(NodeTree, TitlesAreCutAtACharacterBoundary) {
  TNodeTree tree;
  TScenarioNode* n = tree.AddChild(nullptr);
  // 252 ASCII bytes followed by a two-byte character that would end at byte 254.
  std::string title(252, 'x');
  title += "\x82\xA0";
  n->SetText(title);
  EXPECT_EQ(n->Text(), std::string(252, 'x'));
  title = std::string(251, 'x') + "\x82\xA0" + "yz";
  n->SetText(title);
  EXPECT_EQ(n->Text(), std::string(251, 'x') + "\x82\xA0");
  EXPECT_EQ(n->Text().size(), kMaxNodeTitleBytes);
}

TEST(NodeTree, BodyKeepsNoBodyApartFromAnEmptyBody) {
  TNodeTree tree;
  TScenarioNode* n = tree.AddChild(nullptr);
  EXPECT_FALSE(n->HasBody());
  EXPECT_EQ(n->Body(), nullptr);
  EXPECT_EQ(n->LineCount(), 0);
  n->SetBody("");
  ASSERT_NE(n->Body(), nullptr);
  EXPECT_STREQ(n->Body(), "");
  struct Case {
    const char* body;
    int lines;
  };
  for (const Case& c : {Case{"a\n", 1}, Case{"a\nb", 2}, Case{"\n\n", 2}, Case{"a\nb\n", 2}}) {
    n->SetBody(c.body);
    EXPECT_EQ(n->LineCount(), c.lines) << c.body;
  }
  n->ClearBody();
  EXPECT_EQ(n->Body(), nullptr);
}

TEST(NodeTree, VeryDeepTreesNeedNoRecursion) {
  TNodeTree tree;
  TScenarioNode* n = tree.AddChild(nullptr, "root");
  TScenarioNode* first = n;
  for (int i = 0; i < 200000; ++i) n = tree.AddChild(n);
  TScenarioNode* late = tree.AddChild(first, "late");
  // The deepest node is no longer last: this append forces a re-walk of the whole chain.
  TScenarioNode* deepest = tree.AddChild(n, "deepest");
  EXPECT_EQ(late->AbsoluteIndex(), 200002);
  EXPECT_EQ(deepest->AbsoluteIndex(), 200001);
  EXPECT_EQ(n->AbsoluteIndex(), 200000);
  EXPECT_EQ(deepest->Level(), 200001);
  EXPECT_EQ(deepest->GetNext(), late);
}

TEST(NodeTree, MovedTreeStillAnswersForItsNodes) {
  TNodeTree moved;
  {
    SampleTree s;
    moved = std::move(s.tree);
    EXPECT_EQ(s.tree.Count(), 0);
  }
  ASSERT_EQ(moved.Count(), 6);
  EXPECT_EQ(moved.Item(5)->Owner(), &moved);
  TScenarioNode* extra = moved.AddChild(moved.Item(1), "a3");
  EXPECT_EQ(extra->AbsoluteIndex(), 4);
  EXPECT_EQ(moved.Item(0)->getNextSibling(), nullptr);

  TNodeTree other;
  EXPECT_EQ(other.AddChild(moved.Item(0)), nullptr);  // a parent from another tree
  EXPECT_EQ(other.Count(), 0);
}

}  // namespace
