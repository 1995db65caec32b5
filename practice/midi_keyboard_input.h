#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "practice/input_devices.h"
#include "practice/midi_performance.h"
#include "practice/performance_input.h"

class RtMidiIn;

namespace quavern::practice {

// The MIDI input ports present, on the ALSA sequencer and on a running JACK
// server (or PipeWire's JACK service), as "Input" entries of kind Midi. A
// system with neither gives none, quietly: the libraries' complaints about a
// missing sequencer or server are silenced for the whole program.
std::vector<InputEntry> listMidiInputs();

// A MIDI keyboard through RtMidi. Each note message is stamped on the steady
// clock as it arrives (RtMidi's own thread) and placed on the timeline that
// starts at start(), with a frame every kFrameHopSamples. On JACK a message
// arrives at the end of the server's period, at most one period after the key.
class MidiKeyboardInput final : public PerformanceInput {
 public:
  // How often the polls look at the port list for the opened port.
  static constexpr std::chrono::milliseconds kPortCheckInterval{200};

  // `portId` is an InputEntry::id from listMidiInputs().
  explicit MidiKeyboardInput(std::string portId);
  ~MidiKeyboardInput() override;

  std::optional<InputFailure> start() override;
  void poll(Performance& performance) override;
  std::optional<SteadyClock::time_point> timelineStart() const override;
  bool hasStalled(SteadyClock::time_point now) const override;
  bool deviceLost() const override;
  std::optional<double> levelDbfs() const override;
  void stop() override;

 private:
  struct Arrival {
    SteadyClock::time_point at;
    std::array<std::uint8_t, 3> message{};
    std::size_t size = 0;
  };
  static void receive(double, std::vector<unsigned char>* message, void* self);
  void checkPortPresent(SteadyClock::time_point now);

  std::string portId_;
  std::unique_ptr<RtMidiIn> midi_;
  std::optional<SteadyClock::time_point> startedAt_;
  MidiPerformance performance_;
  bool lost_ = false;
  SteadyClock::time_point lastPortCheck_;
  std::mutex arrivalsMutex_;
  std::vector<Arrival> arrivals_;  // guarded by arrivalsMutex_
};

}  // namespace quavern::practice
