#pragma once

#include <memory>
#include <vector>

#include "practice/audio_analyser.h"
#include "practice/performance_input.h"
#include "practice/sound_input.h"

namespace quavern::practice {

// A sound input heard as a performance: what the microphone delivers is
// analysed into pitch frames and onsets as it arrives, and only the analysis
// is kept, so a long practice holds no recording. Each poll hands on what the
// analysis decided since the last one, so the caller may start a new
// Performance for each practice while the input keeps listening.
class SoundPerformanceInput final : public PerformanceInput {
 public:
  // A poll analyses at most this much of what has arrived and keeps the rest
  // for the next: after a hold-up, or on a machine too busy for the analysis to
  // keep up, the window goes on answering and the sound goes on playing while
  // the analysis catches up, instead of one poll taking longer than the sound
  // device's buffer.
  static constexpr std::int64_t kMostAnalysedPerPollMs = 200;

  explicit SoundPerformanceInput(std::unique_ptr<SoundInput> input);

  std::optional<InputFailure> start() override;
  void poll(Performance& performance) override;
  std::optional<SteadyClock::time_point> timelineStart() const override;
  bool hasStalled(SteadyClock::time_point now) const override;
  bool deviceLost() const override;
  std::optional<double> levelDbfs() const override;
  void stop() override;

 private:
  std::unique_ptr<SoundInput> input_;
  AudioAnalyser analyser_;
  Performance decided_;                   // what the analyser decided and no poll has handed on yet
  std::vector<std::int16_t> unanalysed_;  // read, waiting for a poll's analysis
  std::optional<double> level_;
};

}  // namespace quavern::practice
