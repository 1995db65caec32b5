#pragma once

#include <functional>

#include "practice/sound_input.h"

namespace quavern::practice {

// A microphone that hears a prepared take, for tests: its samples arrive as time
// passes from start() on, at SoundInput::kSampleRate, and silence after them, as
// a real input keeps delivering. The first sample counts as taken in at the
// instant of start(), so a take laid out with stream sample 0 at its sample 0
// lines up with an output started right after the input.
class FakeSoundInput final : public SoundInput {
 public:
  struct Script {
    std::vector<std::int16_t> samples{};
    std::optional<InputFailure> failure{};  // start() reports this
    bool deliversNothing = false;           // a device that opens but stays mute
    // The device goes from the system this long after start(); the samples
    // keep coming, as from the source the server moves the stream to.
    std::optional<std::chrono::milliseconds> lostAfter{};
    // The first delivery comes this much late, as a real device's first ones
    // often do: until the next, the capture instant reads that much later.
    std::chrono::milliseconds firstDeliveryLate{0};
    // The samples due this long after start() never arrive, as when a capture
    // overruns: every later sample lands that much early on the input's timeline.
    struct Loss {
      std::chrono::milliseconds at;
      std::chrono::milliseconds length;
    };
    std::optional<Loss> loss{};
  };
  using Now = std::function<SteadyClock::time_point()>;

  explicit FakeSoundInput(Script script, Now now = SteadyClock::now);

  std::optional<InputFailure> start() override;
  std::size_t readAvailable(std::vector<std::int16_t>& samples) override;
  std::optional<SteadyClock::time_point> firstSampleCapturedAt() const override;
  bool hasStalled(SteadyClock::time_point now) const override;
  bool deviceLost() const override;
  void stop() override;

 private:
  bool isLost(std::int64_t sample) const;

  Script script_;
  Now now_;
  bool running_ = false;
  SteadyClock::time_point startedAt_;
  SteadyClock::time_point lastDelivery_;
  std::int64_t delivered_ = 0;
  int deliveries_ = 0;
  bool lost_ = false;
};

}  // namespace quavern::practice
