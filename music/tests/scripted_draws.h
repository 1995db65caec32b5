#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <vector>

#include "music/bar_generator.h"

namespace quavern::music {

// Hands out a fixed list of values and counts how many were taken.
class ScriptedDraws final : public DrawSource {
 public:
  explicit ScriptedDraws(std::vector<std::uint32_t> values)
      : values_(values.begin(), values.end()) {}

  std::uint32_t next() override {
    ++taken_;
    if (values_.empty()) {
      ADD_FAILURE() << "more draws taken than scripted";
      return 0;
    }
    const auto value = values_.front();
    values_.pop_front();
    return value;
  }

  int taken() const { return taken_; }

 private:
  std::deque<std::uint32_t> values_;
  int taken_ = 0;
};

}  // namespace quavern::music
