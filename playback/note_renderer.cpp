#include "playback/note_renderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "music/timeline.h"

namespace quavern::playback {
namespace {

// Channel 10 (9 from 0) is General MIDI's percussion: never an instrument here.
constexpr int kPercussionChannel = 9;
constexpr int kChannels = 16;
// A voice is a sampled instrument's layer; a piano note may take two or four.
constexpr int kPolyphony = 32;
// Below this, relative to the note's peak, a rendered tail is taken for silence and cut
// off (-100 dB).
constexpr float kSilenceLevel = 1e-5f;

void quiet(int, const char*, void*) {}

// FluidSynth reports a file it cannot load on standard error; the caller hears of it as
// a value instead.
void silenceFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, quiet, nullptr);
    }
  });
}

// Peak 1.0: the stream sets each note's level.
void normalise(NoteSamples& samples) {
  float peak = 0.0f;
  for (const float value : samples) {
    peak = std::max(peak, std::fabs(value));
  }
  if (peak > 0.0f) {
    for (float& value : samples) {
      value /= peak;
    }
  }
}

// A straight ramp down to 0 over the last `length` samples.
void fadeOutEnd(NoteSamples& samples, std::int64_t length) {
  const auto fade = std::min<std::int64_t>(length, std::ssize(samples));
  for (std::int64_t i = 0; i < fade; ++i) {
    samples[samples.size() - 1 - static_cast<std::size_t>(i)] *=
        static_cast<float>(i) / static_cast<float>(fade);
  }
}

}  // namespace

struct NoteRenderer::Fluid {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  int soundFontId = FLUID_FAILED;

  ~Fluid() {
    if (synth != nullptr) {
      delete_fluid_synth(synth);
    }
    if (settings != nullptr) {
      delete_fluid_settings(settings);
    }
  }
};

std::variant<std::unique_ptr<NoteRenderer>, SoundFontFailure> NoteRenderer::open(
    const std::filesystem::path& soundFont, int sampleRate) {
  silenceFluidLog();
  const SoundFontFailure unreadable{SoundFontProblem::kUnreadable, soundFont};
  auto fluid = std::make_unique<Fluid>();
  fluid->settings = new_fluid_settings();
  if (fluid->settings == nullptr) {
    return unreadable;
  }
  fluid_settings_setnum(fluid->settings, "synth.sample-rate", sampleRate);
  fluid_settings_setint(fluid->settings, "synth.reverb.active", 0);
  fluid_settings_setint(fluid->settings, "synth.chorus.active", 0);
  fluid_settings_setint(fluid->settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(fluid->settings, "synth.polyphony", kPolyphony);
  fluid_settings_setint(fluid->settings, "synth.midi-channels", kChannels);
  fluid_settings_setint(fluid->settings, "synth.threadsafe-api", 0);
  fluid_settings_setint(fluid->settings, "synth.cpu-cores", 1);
  fluid->synth = new_fluid_synth(fluid->settings);
  if (fluid->synth == nullptr) {
    return unreadable;
  }
  const std::string path = soundFont.string();
  if (fluid_is_soundfont(path.c_str()) == 0) {
    return unreadable;
  }
  fluid->soundFontId = fluid_synth_sfload(fluid->synth, path.c_str(), 1);
  if (fluid->soundFontId == FLUID_FAILED) {
    return unreadable;
  }
  return std::unique_ptr<NoteRenderer>(new NoteRenderer(std::move(fluid), soundFont, sampleRate));
}

NoteRenderer::NoteRenderer(std::unique_ptr<Fluid> fluid, std::filesystem::path soundFont,
                           int sampleRate)
    : fluid_(std::move(fluid)),
      soundFont_(std::move(soundFont)),
      sampleRate_(sampleRate),
      channelPrograms_(kChannels, -1),
      left_(kBlockSamples),
      right_(kBlockSamples) {}

NoteRenderer::~NoteRenderer() = default;

// Each program keeps a channel of its own while it is in use, so its samples stay loaded;
// a program that takes the channel of an older one lets that one's samples go.
int NoteRenderer::channelFor(int program) {
  const auto found = std::find(channelPrograms_.begin(), channelPrograms_.end(), program);
  if (found != channelPrograms_.end()) {
    return static_cast<int>(found - channelPrograms_.begin());
  }
  if (nextChannel_ == kPercussionChannel) {
    ++nextChannel_;
  }
  const auto channel = static_cast<int>(nextChannel_);
  nextChannel_ = (nextChannel_ + 1) % channelPrograms_.size();
  fluid_synth_program_select(fluid_->synth, channel, fluid_->soundFontId, 0, program);
  channelPrograms_[static_cast<std::size_t>(channel)] = program;
  warmUp(channel);
  return channel;
}

// The first note after a program is selected starts a little softer than every later
// one of the same key and length (its first 4096 samples differ, by up to -42 dB of its
// peak): one note played and discarded makes the first real note the same as the rest.
void NoteRenderer::warmUp(int channel) {
  constexpr int kMiddleC = 60;
  constexpr int kVelocity = 100;
  NoteSamples discarded;
  fluid_synth_noteon(fluid_->synth, channel, kMiddleC, kVelocity);
  renderBlocks(1, discarded);
  fluid_synth_noteoff(fluid_->synth, channel, kMiddleC);
  finishRelease(discarded);
}

// Whole blocks only, so that every note starts on a block edge of the synthesiser.
void NoteRenderer::renderBlocks(std::int64_t blocks, NoteSamples& out) {
  for (std::int64_t block = 0; block < blocks; ++block) {
    fluid_synth_write_float(fluid_->synth, kBlockSamples, left_.data(), 0, 1, right_.data(), 0, 1);
    for (std::size_t i = 0; i < left_.size(); ++i) {
      out.push_back(0.5f * (left_[i] + right_[i]));
    }
  }
}

NoteSamples NoteRenderer::render(const NoteRequest& note) {
  const int channel = channelFor(note.program);
  const std::int64_t heldBlocks =
      std::max<std::int64_t>((note.heldSamples + kBlockSamples / 2) / kBlockSamples, 1);
  NoteSamples out;
  out.reserve(static_cast<std::size_t>(
      (heldBlocks * kBlockSamples + music::sampleAtMs(kLongestReleaseMs, sampleRate_))));
  fluid_synth_noteon(fluid_->synth, channel, note.key, note.velocity);
  renderBlocks(heldBlocks, out);
  fluid_synth_noteoff(fluid_->synth, channel, note.key);
  finishRelease(out);
  normalise(out);
  const auto last = std::find_if(out.rbegin(), out.rend(),
                                 [](float value) { return std::fabs(value) > kSilenceLevel; });
  out.erase(last.base(), out.end());
  // FluidSynth ends a voice once it is too quiet to hear, with a step of about -80 dB;
  // a block's ramp takes even that away.
  fadeOutEnd(out, kBlockSamples);
  return out;
}

// Renders the release until every voice has ended, or fades it out when it would outlast
// kLongestReleaseMs, and leaves the synthesiser silent for the next note.
void NoteRenderer::finishRelease(NoteSamples& out) {
  const std::int64_t longest = music::sampleAtMs(kLongestReleaseMs, sampleRate_) / kBlockSamples;
  std::int64_t blocks = 0;
  while (fluid_synth_get_active_voice_count(fluid_->synth) > 0 && blocks < longest) {
    renderBlocks(1, out);
    ++blocks;
  }
  if (fluid_synth_get_active_voice_count(fluid_->synth) == 0) {
    return;
  }
  fluid_synth_all_sounds_off(fluid_->synth, -1);
  NoteSamples discarded;
  renderBlocks(1, discarded);
  fadeOutEnd(out, music::sampleAtMs(kFadeMs, sampleRate_));
}

}  // namespace quavern::playback
