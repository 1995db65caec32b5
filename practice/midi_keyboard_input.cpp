#include "practice/midi_keyboard_input.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace quavern::practice {
namespace {

constexpr const char* kClientName = "Quavern";
constexpr std::string_view kAlsaPrefix = "alsa:";
constexpr std::string_view kJackPrefix = "jack:";

// A port's id names the API it is on and its full name there.
struct PortAddress {
  RtMidi::Api api = RtMidi::UNSPECIFIED;
  std::string name;
};

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void ignoreJackMessage(const char*) {}
void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

// The libraries write to stderr when there is no sequencer or no server, which
// on a machine without them is every listing; nothing the player could act on.
void silenceLibraries() {
  static std::once_flag silenced;
  std::call_once(silenced, [] {
    snd_lib_error_set_handler(ignoreAlsaMessage);
    jack_set_error_function(ignoreJackMessage);
    jack_set_info_function(ignoreJackMessage);
  });
}

// RtMidi reports a missing sequencer or server from its constructor, before an
// error callback can be set, on stderr; so look first.
bool alsaSequencerPresent() {
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_INPUT, 0) < 0) {
    return false;
  }
  snd_seq_close(sequencer);
  return true;
}

bool jackServerRunning() {
  jack_status_t status{};
  jack_client_t* client = jack_client_open("QuavernProbe", JackNoStartServer, &status);
  if (client == nullptr) {
    return false;
  }
  jack_client_close(client);
  return true;
}

bool apiPresent(RtMidi::Api api) {
  silenceLibraries();
  return api == RtMidi::LINUX_ALSA ? alsaSequencerPresent() : jackServerRunning();
}

std::unique_ptr<RtMidiIn> openClient(RtMidi::Api api) {
  if (!apiPresent(api)) {
    return nullptr;
  }
  try {
    auto midi = std::make_unique<RtMidiIn>(api, kClientName);
    midi->setErrorCallback(ignoreRtMidiError, nullptr);
    return midi;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

std::vector<std::string> portNames(RtMidiIn& midi) {
  std::vector<std::string> names;
  const unsigned int count = midi.getPortCount();
  for (unsigned int port = 0; port < count; ++port) {
    names.push_back(midi.getPortName(port));
  }
  return names;
}

std::optional<unsigned int> portNumber(RtMidiIn& midi, const std::string& name) {
  const std::vector<std::string> names = portNames(midi);
  const auto found = std::ranges::find(names, name);
  if (found == names.end()) {
    return std::nullopt;
  }
  return static_cast<unsigned int>(found - names.begin());
}

std::optional<PortAddress> parsePortId(std::string_view id) {
  if (id.starts_with(kAlsaPrefix)) {
    return PortAddress{RtMidi::LINUX_ALSA, std::string(id.substr(kAlsaPrefix.size()))};
  }
  if (id.starts_with(kJackPrefix)) {
    return PortAddress{RtMidi::UNIX_JACK, std::string(id.substr(kJackPrefix.size()))};
  }
  return std::nullopt;
}

void appendPorts(RtMidi::Api api, std::string_view prefix, std::vector<InputEntry>& entries) {
  const std::unique_ptr<RtMidiIn> midi = openClient(api);
  if (!midi) {
    return;
  }
  for (const std::string& name : portNames(*midi)) {
    const std::string entryName = midiEntryName(name);
    // PipeWire shows a keyboard on both; the first is enough.
    if (std::ranges::find(entries, entryName, &InputEntry::name) == entries.end()) {
      entries.push_back({InputKind::Midi, entryName, std::string(prefix) + name, false});
    }
  }
}

}  // namespace

std::vector<InputEntry> listMidiInputs() {
  std::vector<InputEntry> entries;
  appendPorts(RtMidi::LINUX_ALSA, kAlsaPrefix, entries);
  appendPorts(RtMidi::UNIX_JACK, kJackPrefix, entries);
  return entries;
}

MidiKeyboardInput::MidiKeyboardInput(std::string portId) : portId_(std::move(portId)) {}

MidiKeyboardInput::~MidiKeyboardInput() {
  stop();
}

std::optional<InputFailure> MidiKeyboardInput::start() {
  stop();
  const std::optional<PortAddress> address = parsePortId(portId_);
  if (!address) {
    return InputFailure::NoDevice;
  }
  std::unique_ptr<RtMidiIn> midi = openClient(address->api);
  if (!midi) {
    return InputFailure::NoDevice;
  }
  const std::optional<unsigned int> port = portNumber(*midi, address->name);
  if (!port) {
    return InputFailure::NoDevice;
  }
  {
    const std::lock_guard lock(arrivalsMutex_);
    arrivals_.clear();
  }
  performance_ = MidiPerformance();
  lost_ = false;
  startedAt_ = SteadyClock::now();
  lastPortCheck_ = *startedAt_;
  midi->setCallback(receive, this);
  midi->openPort(*port, "keyboard");
  if (!midi->isPortOpen()) {
    startedAt_.reset();
    return InputFailure::DidNotStart;
  }
  midi_ = std::move(midi);
  return std::nullopt;
}

void MidiKeyboardInput::receive(double, std::vector<unsigned char>* message, void* self) {
  auto& input = *static_cast<MidiKeyboardInput*>(self);
  Arrival arrival;
  arrival.size = std::min(message->size(), arrival.message.size());
  std::copy_n(message->begin(), arrival.size, arrival.message.begin());
  // Stamped under the lock, so that a poll that reads the clock under it has
  // every message that arrived before its reading.
  const std::lock_guard lock(input.arrivalsMutex_);
  arrival.at = SteadyClock::now();
  input.arrivals_.push_back(arrival);
}

void MidiKeyboardInput::poll(Performance& performance) {
  if (!midi_ || !startedAt_) {
    return;
  }
  std::vector<Arrival> arrived;
  SteadyClock::time_point now;
  {
    const std::lock_guard lock(arrivalsMutex_);
    now = SteadyClock::now();
    arrived.swap(arrivals_);
  }
  for (const Arrival& arrival : arrived) {
    const std::int64_t sample = inputIndexAt(arrival.at, *startedAt_, kPerformanceRate);
    const std::optional<MidiNoteEvent> event =
        decodeNoteMessage(std::span(arrival.message.data(), arrival.size), sample);
    if (event) {
      performance_.add(*event, performance);
    }
  }
  performance_.coverUntil(inputIndexAt(now, *startedAt_, kPerformanceRate), performance);
  checkPortPresent(now);
}

void MidiKeyboardInput::checkPortPresent(SteadyClock::time_point now) {
  if (lost_ || now - lastPortCheck_ < kPortCheckInterval) {
    return;
  }
  lastPortCheck_ = now;
  lost_ = !portNumber(*midi_, parsePortId(portId_)->name).has_value();
}

std::optional<SteadyClock::time_point> MidiKeyboardInput::timelineStart() const {
  return startedAt_;
}

bool MidiKeyboardInput::hasStalled(SteadyClock::time_point) const {
  return false;
}

bool MidiKeyboardInput::deviceLost() const {
  return lost_;
}

std::optional<double> MidiKeyboardInput::levelDbfs() const {
  return std::nullopt;
}

void MidiKeyboardInput::stop() {
  if (midi_) {
    midi_->closePort();
    midi_->cancelCallback();
    midi_.reset();
  }
}

}  // namespace quavern::practice
