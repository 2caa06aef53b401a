#include <gtest/gtest.h>

#include <chrono>

#include "seams/clock.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

TEST(Delay, ZeroReturnsAtOnceAndOneLastsASecondOnTheSteadyClock) {
  SteadyClock clock;
  const auto t0 = std::chrono::steady_clock::now();
  delay(clock, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(50));

  const auto t1 = std::chrono::steady_clock::now();
  delay(clock, 1);
  EXPECT_GE(std::chrono::steady_clock::now() - t1, std::chrono::seconds(1));
}

TEST(Delay, PollsTheGivenClock) {
  testing::TestClock clock;
  const double start = clock.peek();
  delay(clock, 3);
  EXPECT_GE(clock.peek() - start, 3.0);
  EXPECT_LT(clock.peek() - start, 3.01);
}

}  // namespace
}  // namespace mv4700
