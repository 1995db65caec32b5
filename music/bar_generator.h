#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "music/chords.h"

namespace quavern::music {

// One process-wide stream of pseudo-random values. Handed to whatever draws, so
// that tests can script the draws exactly.
class DrawSource {
 public:
  virtual ~DrawSource() = default;
  virtual std::uint32_t next() = 0;
};

// The program's generator. Seeded once from the operating system's entropy, so
// every run invents different melodies; a fixed seed gives repeatable draws.
class SeededDraws final : public DrawSource {
 public:
  SeededDraws();
  explicit SeededDraws(std::uint32_t seed);
  std::uint32_t next() override;

 private:
  std::mt19937 engine_;
};

// A number from 0 to m - 1: the next value of the stream modulo m (m >= 1).
int random(DrawSource& draws, int m);

// The notes of one bar: four tokens drawn independently, with repetition, from
// the four tones of chord n, in flat (bs 1) or sharp (bs 2) spelling; eight
// characters. For any n that names no chord, "" and no draw is taken.
std::string rndline(int n, int bs, DrawSource& draws);

}  // namespace quavern::music
