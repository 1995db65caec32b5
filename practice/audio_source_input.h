#pragma once

#include <QByteArray>
#include <memory>
#include <optional>
#include <string>

#include "practice/input_devices.h"
#include "practice/sound_input.h"

class QAudioSource;
class QIODevice;

namespace quavern::practice {

// The sound inputs the system lists, as "Input" entries of kind Sound: the
// default first, marked so, then the others in the system's order. The name is
// the device's description, the id the sound server's name for it (stable
// while the device is plugged in, and across restarts for most devices).
std::vector<InputEntry> listSoundInputs();

// Captures a sound input device with a Qt audio source in push mode, on the
// calling thread: readAvailable() takes what the sound server has delivered.
// When sample 0 was taken in is worked out from the arrivals: a sample cannot be
// read before it was captured, so every read bounds the first sample's instant
// from above by (time of the read - samples read so far / rate), and the
// earliest such bound, from a read that came right after a delivery, is within
// a few milliseconds of it. A read that the event loop delays only gives a later
// bound, and clock drift over a song moves it by a few milliseconds at most.
class AudioSourceInput final : public SoundInput {
 public:
  // Asked of the sound server as the size of each delivery. Small, so that
  // arrivals show the capture instants finely; the server grants about this.
  static constexpr int kRequestedFragmentMs = 10;

  // How often the reads look at the system's device list for the opened one.
  static constexpr std::chrono::milliseconds kDeviceCheckInterval{200};

  // `deviceId` is an InputEntry::id from listSoundInputs(); nothing opens the
  // system's default input.
  explicit AudioSourceInput(std::optional<std::string> deviceId = std::nullopt);
  ~AudioSourceInput() override;

  std::optional<InputFailure> start() override;
  std::size_t readAvailable(std::vector<std::int16_t>& samples) override;
  std::optional<SteadyClock::time_point> firstSampleCapturedAt() const override;
  bool hasStalled(SteadyClock::time_point now) const override;
  bool deviceLost() const override;
  void stop() override;

  // True when the latest start() found the asked device gone and opened the
  // default input instead.
  bool fellBackToDefault() const { return fellBack_; }

 private:
  void checkDevicePresent(SteadyClock::time_point now);
  std::size_t appendSamples(const QByteArray& bytes, std::vector<std::int16_t>& samples);
  void noteArrival(SteadyClock::time_point readAt);

  std::optional<std::string> askedId_;
  QByteArray openedId_;
  bool fellBack_ = false;
  bool lost_ = false;
  SteadyClock::time_point lastDeviceCheck_;
  std::unique_ptr<QAudioSource> source_;
  QIODevice* device_ = nullptr;
  QByteArray oddByte_;  // a sample split between two reads
  std::int64_t samplesRead_ = 0;
  SteadyClock::time_point lastArrival_;
  SteadyClock::time_point lastRead_;
  std::optional<SteadyClock::time_point> firstSampleBound_;
};

}  // namespace quavern::practice
