#include "settings/leading_number.h"

#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <limits>

namespace mv4700 {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAText) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double number;
  } cases[] = {
      {"16", 16},
      {" 1 ", 1},
      {"\t 7xyz", 7},
      {"", 0},
      {"abc", 0},
      {"x12", 0},
      {"-3", -3},
      {"+4", 4},
      {"2.5", 2.5},
      {".5", 0.5},
      {"5.", 5},
      {"-", 0},
      {".", 0},
      {"1e1", 10},
      {"1D2", 100},
      {"2E-1", 0.2},
      {"3e", 3},
      {"3e+", 3},
      {"1 6", 1},
      {"1,5", 1},
      {"1e400", inf},
      {"-1e400", -inf},
      {"1e-400", 0},
      {"&H10", 0},
      {"99999999999999999999", 1e20},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(leadingNumber(QString::fromLatin1(c.text)), c.number) << '"' << c.text << '"';
  }
}

TEST(LeadingNumber, RoundsHalvesToTheEvenNeighbour) {
  const struct {
    double value, rounded;
  } cases[] = {{0.5, 0},    {1.5, 2},  {2.5, 2},   {3.5, 4},   {2.4999, 2},
               {2.5001, 3}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {7, 7}};
  for (const auto& c : cases) EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
  EXPECT_TRUE(std::isinf(roundHalfEven(std::numeric_limits<double>::infinity())));
}

TEST(LeadingNumber, ClampsWithoutConvertingHugeValues) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(clampWhole(1e300, 1, 16), 16);
  EXPECT_EQ(clampWhole(inf, 1, 16), 16);
  EXPECT_EQ(clampWhole(-inf, 1, 16), 1);
  EXPECT_EQ(clampWhole(std::nan(""), 1, 16), 1);
  EXPECT_EQ(clampWhole(-40000, 0, 4), 0);
  EXPECT_EQ(clampWhole(3, 0, 4), 3);
}

}  // namespace
}  // namespace mv4700
