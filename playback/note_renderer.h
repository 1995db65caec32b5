#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <variant>
#include <vector>

#include "playback/sound_font.h"

namespace quavern::playback {

// One note of an instrument as FluidSynth sounds it on its own, mono, peak 1.0: the
// note-on at sample 0, the release from the note-off on, until it has died away.
using NoteSamples = std::vector<float>;

struct NoteRequest {
  int program = 0;               // General MIDI, from 0
  int key = 60;                  // MIDI note number
  int velocity = 100;            // 1 to 127
  std::int64_t heldSamples = 0;  // from note-on to note-off

  friend auto operator<=>(const NoteRequest&, const NoteRequest&) = default;
};

// FluidSynth as a synthesiser only: no audio driver, no reverb or chorus, one SoundFont
// whose samples load only for the presets asked for. Without reverb and chorus each voice
// is a pure function of its note, so a note rendered alone and added into a stream is
// the note the synthesiser would have rendered among the others; that lets one rendering
// serve every place the same note sounds for the same length.
class NoteRenderer {
 public:
  // FluidSynth computes its envelopes once per block of this many samples, so a note-off
  // takes effect at a block edge: the nearest one to the tone's end, at most 0.7 ms away.
  static constexpr std::int64_t kBlockSamples = 64;
  // A release still sounding this long after the note-off is faded out over kFadeMs.
  static constexpr int kLongestReleaseMs = 1500;
  static constexpr int kFadeMs = 20;

  static std::variant<std::unique_ptr<NoteRenderer>, SoundFontFailure> open(
      const std::filesystem::path& soundFont, int sampleRate);
  ~NoteRenderer();
  NoteRenderer(const NoteRenderer&) = delete;
  NoteRenderer& operator=(const NoteRenderer&) = delete;

  const std::filesystem::path& soundFont() const { return soundFont_; }
  NoteSamples render(const NoteRequest& note);
  // Loads the samples of `program` and warms it up, which its first note would
  // otherwise do: a stream readies its instruments before it starts, not while a
  // sound device waits for a note.
  void prepare(int program) { channelFor(program); }

 private:
  struct Fluid;
  NoteRenderer(std::unique_ptr<Fluid> fluid, std::filesystem::path soundFont, int sampleRate);
  int channelFor(int program);
  void warmUp(int channel);
  void renderBlocks(std::int64_t blocks, NoteSamples& out);
  void finishRelease(NoteSamples& out);

  std::unique_ptr<Fluid> fluid_;
  std::filesystem::path soundFont_;
  int sampleRate_;
  std::vector<int> channelPrograms_;  // program selected on each channel, -1 for none
  std::size_t nextChannel_ = 0;
  std::vector<float> left_;
  std::vector<float> right_;
};

}  // namespace quavern::playback
