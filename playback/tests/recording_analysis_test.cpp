// The sound-server tests tell a server's own dropout from a play that differs
// from its rendering; a wrong call either fails good plays or passes bad ones.
#include "playback/testing/recording_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace quavern::playback::testing {
namespace {

std::vector<std::int16_t> sine(std::size_t length) {
  std::vector<std::int16_t> samples(length);
  for (std::size_t i = 0; i < length; ++i) {
    samples[i] = static_cast<std::int16_t>(std::lround(8000.0 * std::sin(0.05 * double(i))));
  }
  return samples;
}

TEST(SoleDropout, IsFoundOnlyWhereSilenceAloneWasPutIntoTheStream) {
  const std::vector<std::int16_t> rendered = sine(4000);
  const std::vector<std::int16_t> lead(100, 0);
  const std::vector<std::int16_t> gap(512, 0);
  const auto at = [&](std::size_t k) { return rendered.begin() + static_cast<std::ptrdiff_t>(k); };
  struct Case {
    const char* what;
    std::vector<std::int16_t> heard;  // after `lead`, with a tail of silence
    std::optional<Dropout> expected;
  };
  const auto joined = [](std::initializer_list<std::vector<std::int16_t>> parts) {
    std::vector<std::int16_t> all;
    for (const auto& part : parts) {
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  };
  const std::vector<Case> cases = {
      {"as rendered", rendered, std::nullopt},
      {"silence put in", joined({{rendered.begin(), at(1500)}, gap, {at(1500), rendered.end()}}),
       Dropout{1500, 512}},
      {"samples lost for silence",
       joined({{rendered.begin(), at(1500)}, gap, {at(2012), rendered.end()}}), std::nullopt},
      {"silence put in and a sample changed later",
       joined({{rendered.begin(), at(1500)},
               gap,
               {at(1500), at(3000)},
               {100},
               {at(3001), rendered.end()}}),
       std::nullopt},
      {"a sample changed", joined({{rendered.begin(), at(700)}, {-100}, {at(701), rendered.end()}}),
       std::nullopt},
  };
  for (const Case& c : cases) {
    const std::vector<std::int16_t> recording = joined({lead, c.heard, gap});
    const std::optional<Dropout> found = soleDropout(recording, std::ssize(lead), rendered, 2);
    ASSERT_EQ(found.has_value(), c.expected.has_value()) << c.what;
    if (found) {
      // The rendered sine crosses zero at 0, so the silence may take in a
      // sample or two of its edges.
      EXPECT_NEAR(double(found->at), double(c.expected->at), 2) << c.what;
      EXPECT_EQ(found->length, c.expected->length) << c.what;
    }
  }
}

}  // namespace
}  // namespace quavern::playback::testing
