// The unsorted string list of the node lines and the backlog.
#include "shell/string_list.h"

#include <gtest/gtest.h>

TEST(StringList, SetTextSplitsAtEveryLineBreak) {
  struct {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\rc\n\nd", {"a", "b", "c", "", "d"}},
      {"\n", {""}},
      {"\n\n", {"", ""}},
      {"a\r", {"a"}},
  };
  for (const auto& c : cases) {
    TStringList l;
    l.Add("old");
    l.SetText(c.text);
    EXPECT_EQ(l.Items(), c.lines) << c.text;
  }
}

TEST(StringList, EditingAndOutOfRangeIndices) {
  TStringList l;
  EXPECT_EQ(l.Add("one"), 0);
  EXPECT_EQ(l.Add("three"), 1);
  l.Insert(1, "two");
  l.Insert(99, "four");  // beyond the end: appended
  EXPECT_EQ(l.Text(), "one\ntwo\nthree\nfour\n");
  l.Delete(0);
  l.Delete(-1);
  l.Delete(3);
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l[0], "two");
  EXPECT_EQ(l[3], "");
  EXPECT_EQ(l[-1], "");
  l.Put(1, "THREE");
  l.Put(5, "ignored");
  EXPECT_EQ(l.Text(), "two\nTHREE\nfour\n");
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}
