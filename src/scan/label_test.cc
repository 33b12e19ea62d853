#include "scan/label.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using namespace std::string_literals;

TEST(Label, EqualTextsShareOneNumberAndOneCopy) {
  const Label first("label_test/a.h");
  const Label second(std::string("label_test/") + "a.h");
  EXPECT_EQ(first.number(), second.number());
  EXPECT_EQ(&first.str(), &second.str());
  EXPECT_EQ(first, "label_test/a.h");
  EXPECT_LT(first.number(), Label::count());
}

TEST(Label, DistinctTextsAreDistinctByExactBytes) {
  const Label lower("label_test/b.h");
  const Label upper("label_test/B.h");
  const Label withZero("label_test/b"s + '\0' + ".h");
  EXPECT_NE(lower.number(), upper.number());
  EXPECT_NE(lower.number(), withZero.number());
  EXPECT_EQ(withZero.str(), "label_test/b"s + '\0' + ".h");
  EXPECT_NE(lower, "label_test/B.h");
}

TEST(Label, NewTextsGetTheNextNumber) {
  const std::size_t before = Label::count();
  const Label added("label_test/new-" + std::to_string(before));
  EXPECT_EQ(added.number(), before);
  EXPECT_EQ(Label::count(), before + 1);
}

TEST(Label, DefaultIsEmptyAndAssignmentRelabels) {
  Label label;
  EXPECT_TRUE(label.empty());
  EXPECT_EQ(label.number(), Label("").number());
  label = std::string("label_test/c.h");
  EXPECT_FALSE(label.empty());
  EXPECT_EQ(label + "#1", "label_test/c.h#1");
  std::ostringstream printed;
  printed << label;
  EXPECT_EQ(printed.str(), "label_test/c.h");
}

}  // namespace
