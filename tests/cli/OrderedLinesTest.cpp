// Status lines of files finished out of order still come out in list order, each as soon as it can.

#include "cli/OrderedLines.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace cli {
namespace {

TEST(OrderedLines, EachLineWaitsOnlyForTheLinesBeforeIt) {
  // Finishing order of four lines, and what has been printed after each.
  const std::vector<std::pair<std::size_t, std::string>> steps = {{2, ""}, {0, "0\n"}, {3, "0\n"}, {1, "0\n1\n2\n3\n"}};
  std::ostringstream out;
  TOrderedLines lines(out, 4);
  for (const auto& [index, printed] : steps) {
    lines.Set(index, std::to_string(index));
    EXPECT_EQ(out.str(), printed) << "after line " << index;
  }
  lines.Flush();
  EXPECT_EQ(out.str(), "0\n1\n2\n3\n");
}

TEST(OrderedLines, FlushPassesOverLinesNeverSet) {
  // A stop leaves files 1 and 3 unstarted: the lines after them still come out, once.
  std::ostringstream out;
  TOrderedLines lines(out, 5);
  lines.Set(0, "a");
  lines.Set(2, "c");
  lines.Set(4, "e");
  EXPECT_EQ(out.str(), "a\n");
  lines.Flush();
  lines.Flush();
  EXPECT_EQ(out.str(), "a\nc\ne\n");
}

TEST(OrderedLines, WarningsComeWithTheirLineInListOrder) {
  // The second file's warning arrives first; it is printed only when its line is.
  std::ostringstream out;
  std::ostringstream warnings;
  TOrderedLines lines(out, 2, &warnings);
  lines.Set(1, "b", "warning: b\n");
  EXPECT_EQ(warnings.str(), "");
  lines.Set(0, "a", "warning: a\n");
  EXPECT_EQ(warnings.str(), "warning: a\nwarning: b\n");
  EXPECT_EQ(out.str(), "a\nb\n");
}

}  // namespace
}  // namespace cli
