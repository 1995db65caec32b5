#include "music/bar_generator.h"

#include "music/chords.h"

namespace quavern::music {

SeededDraws::SeededDraws() : engine_(std::random_device{}()) {}

SeededDraws::SeededDraws(std::uint32_t seed) : engine_(seed) {}

std::uint32_t SeededDraws::next() {
  return static_cast<std::uint32_t>(engine_());
}

int random(DrawSource& draws, int m) {
  return static_cast<int>(draws.next() % static_cast<std::uint32_t>(m));
}

std::string rndline(int n, int bs, DrawSource& draws) {
  std::string cd;
  if (!isChordIndex(n)) {
    return cd;
  }
  const auto& row = (bs == kSharpSpelling ? cds : cdf)[static_cast<std::size_t>(n)];
  for (std::size_t j = 0; j < kTonesPerChord; ++j) {
    const int k = random(draws, static_cast<int>(kTonesPerChord));
    cd += row[static_cast<std::size_t>(k)];
  }
  return cd;
}

}  // namespace quavern::music
