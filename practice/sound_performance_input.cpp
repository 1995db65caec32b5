#include "practice/sound_performance_input.h"

#include <algorithm>
#include <span>
#include <utility>

#include "practice/input_level.h"

namespace quavern::practice {

SoundPerformanceInput::SoundPerformanceInput(std::unique_ptr<SoundInput> input)
    : input_(std::move(input)), analyser_(SoundInput::kSampleRate) {}

std::optional<InputFailure> SoundPerformanceInput::start() {
  level_.reset();
  analyser_ = AudioAnalyser(SoundInput::kSampleRate);
  decided_ = {};
  unanalysed_.clear();
  return input_->start();
}

void SoundPerformanceInput::poll(Performance& performance) {
  const std::size_t before = unanalysed_.size();
  if (input_->readAvailable(unanalysed_) > 0) {
    level_ = practice::levelDbfs(std::span(unanalysed_).subspan(before));
  }
  if (unanalysed_.empty()) {
    return;
  }
  const auto most =
      static_cast<std::size_t>(kMostAnalysedPerPollMs * SoundInput::kSampleRate / 1000);
  const std::size_t count = std::min(most, unanalysed_.size());
  analyser_.feed(std::span(unanalysed_).first(count), decided_);
  unanalysed_.erase(unanalysed_.begin(), unanalysed_.begin() + static_cast<std::ptrdiff_t>(count));
  performance.frames.insert(performance.frames.end(), decided_.frames.begin(),
                            decided_.frames.end());
  performance.onsets.insert(performance.onsets.end(), decided_.onsets.begin(),
                            decided_.onsets.end());
  performance.coveredUntil = decided_.coveredUntil;
  performance.framesCoveredUntil = decided_.framesCoveredUntil;
  performance.sound.append(decided_.sound.samples);
  decided_.sound.first = decided_.sound.end();
  decided_.sound.samples.clear();
  decided_.frames.clear();
  decided_.onsets.clear();
}

std::optional<SteadyClock::time_point> SoundPerformanceInput::timelineStart() const {
  return input_->firstSampleCapturedAt();
}

bool SoundPerformanceInput::hasStalled(SteadyClock::time_point now) const {
  return input_->hasStalled(now);
}

bool SoundPerformanceInput::deviceLost() const {
  return input_->deviceLost();
}

std::optional<double> SoundPerformanceInput::levelDbfs() const {
  return level_;
}

void SoundPerformanceInput::stop() {
  input_->stop();
}

}  // namespace quavern::practice
