#include "practice/fake_sound_input.h"

#include <utility>

namespace quavern::practice {

FakeSoundInput::FakeSoundInput(Script script, Now now)
    : script_(std::move(script)), now_(std::move(now)) {}

std::optional<InputFailure> FakeSoundInput::start() {
  if (script_.failure) {
    return script_.failure;
  }
  running_ = true;
  startedAt_ = now_();
  lastDelivery_ = startedAt_;
  delivered_ = 0;
  deliveries_ = 0;
  lost_ = false;
  return std::nullopt;
}

std::size_t FakeSoundInput::readAvailable(std::vector<std::int16_t>& samples) {
  if (!running_ || script_.deliversNothing) {
    return 0;
  }
  const SteadyClock::time_point now = now_();
  lost_ = lost_ || (script_.lostAfter && now - startedAt_ >= *script_.lostAfter);
  const std::int64_t due = inputIndexAt(now, startedAt_, kSampleRate);
  const std::size_t before = samples.size();
  for (; delivered_ < due; ++delivered_) {
    if (isLost(delivered_)) {
      continue;
    }
    const bool inTake = delivered_ < std::ssize(script_.samples);
    samples.push_back(inTake ? script_.samples[static_cast<std::size_t>(delivered_)] : 0);
  }
  if (samples.size() > before) {
    lastDelivery_ = now;
    ++deliveries_;
  }
  return samples.size() - before;
}

bool FakeSoundInput::isLost(std::int64_t sample) const {
  if (!script_.loss) {
    return false;
  }
  const std::int64_t from = script_.loss->at.count() * kSampleRate / 1000;
  return sample >= from && sample < from + script_.loss->length.count() * kSampleRate / 1000;
}

std::optional<SteadyClock::time_point> FakeSoundInput::firstSampleCapturedAt() const {
  if (delivered_ == 0) {
    return std::nullopt;
  }
  return deliveries_ == 1 ? startedAt_ + script_.firstDeliveryLate : startedAt_;
}

bool FakeSoundInput::hasStalled(SteadyClock::time_point now) const {
  return running_ && now - lastDelivery_ >= kStallLimit;
}

bool FakeSoundInput::deviceLost() const {
  return lost_;
}

void FakeSoundInput::stop() {
  running_ = false;
}

}  // namespace quavern::practice
