#include "playback/instrument_layer.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <variant>

#include "music/timeline.h"
#include "playback/sine_table.h"

namespace quavern::playback {
namespace {

constexpr int kOctave = 12;

std::vector<int> chordKeys(const ChordSpan& chord, bool rootOnly) {
  std::vector<int> keys;
  for (const int frequency : chord.frequenciesHz) {
    keys.push_back(InstrumentLayer::keyOf(frequency));
    if (rootOnly) {
      keys.back() -= kOctave;
      break;
    }
  }
  return keys;
}

}  // namespace

InstrumentLayer::InstrumentLayer(int sampleRate, NoteSource source)
    : sampleRate_(sampleRate), source_(std::move(source)) {}

InstrumentLayer::~InstrumentLayer() = default;

int InstrumentLayer::keyOf(int frequencyHz) {
  constexpr int kA4Key = 69;
  constexpr double kA4Hz = 440.0;
  return kA4Key + static_cast<int>(std::lround(kOctave * std::log2(frequencyHz / kA4Hz)));
}

std::optional<SoundFontFailure> InstrumentLayer::reset(const StreamSounds& sounds,
                                                       const Accompaniment& accompaniment) {
  position_ = 0;
  sounding_.clear();
  chordSpans_.clear();
  nextChord_ = 0;
  playsMelody_ = false;
  inUse_ = false;
  if (!sounds.anyInstrument()) {
    return std::nullopt;
  }
  if (auto failure = openRenderer(sounds.soundFont)) {
    return failure;
  }
  if (cachedSamples_ > kMostCachedSamples) {
    cache_.clear();
    cachedSamples_ = 0;
  }
  inUse_ = true;
  playsMelody_ = isInstrument(sounds.melody);
  melodyProgram_ = gmProgramOf(sounds.melody);
  chordProgram_ = gmProgramOf(sounds.chords);
  chordPeak_ = playsRootOnly(sounds.chords) ? kBassRootPeak : kChordNotePeak;
  if (renderer_ && !source_) {
    if (playsMelody_) {
      renderer_->prepare(melodyProgram_);
    }
    if (isInstrument(sounds.chords)) {
      renderer_->prepare(chordProgram_);
    }
  }
  if (isInstrument(sounds.chords)) {
    for (const ChordSpan& chord : accompaniment) {
      const std::int64_t start = music::sampleAtMs(chord.startMs, sampleRate_);
      const std::int64_t length = music::sampleAtMs(chord.endMs, sampleRate_) - start;
      if (length > 0) {
        chordSpans_.push_back({start, length, chordKeys(chord, playsRootOnly(sounds.chords))});
      }
    }
  }
  return std::nullopt;
}

// The SoundFont is loaded once for all the streams that use it.
std::optional<SoundFontFailure> InstrumentLayer::openRenderer(
    const std::filesystem::path& soundFont) {
  if (source_ || (renderer_ && renderer_->soundFont() == soundFont)) {
    return std::nullopt;
  }
  cache_.clear();
  cachedSamples_ = 0;
  renderer_.reset();
  auto opened = NoteRenderer::open(soundFont, sampleRate_);
  if (auto* failure = std::get_if<SoundFontFailure>(&opened)) {
    return *failure;
  }
  renderer_ = std::move(std::get<std::unique_ptr<NoteRenderer>>(opened));
  return std::nullopt;
}

std::shared_ptr<const NoteSamples> InstrumentLayer::noteFor(const NoteRequest& request) {
  auto& cached = cache_[request];
  if (!cached) {
    cached = std::make_shared<const NoteSamples>(source_ ? source_(request)
                                                         : renderer_->render(request));
    cachedSamples_ += cached->size();
  }
  return cached;
}

void InstrumentLayer::startMelodyNote(std::int64_t start, std::int64_t length, int frequencyHz) {
  if (!playsMelody_ || length <= 0) {
    return;
  }
  const NoteRequest request{melodyProgram_, keyOf(frequencyHz), kMelodyVelocity, length};
  sounding_.push_back({noteFor(request), start, kFullScale * kMelodyPeak});
}

void InstrumentLayer::readyChordsBefore(std::int64_t end) {
  while (nextChord_ < chordSpans_.size() && chordSpans_[nextChord_].start < end) {
    const ChordNotes& chord = chordSpans_[nextChord_++];
    for (const int key : chord.keys) {
      const NoteRequest request{chordProgram_, key, kChordVelocity, chord.length};
      sounding_.push_back({noteFor(request), chord.start, kFullScale * chordPeak_});
    }
  }
  renderOneAhead(end);
}

void InstrumentLayer::renderOneAhead(std::int64_t end) {
  const std::int64_t horizon = end + music::sampleAtMs(kRenderAheadMs, sampleRate_);
  for (std::size_t k = nextChord_; k < chordSpans_.size() && chordSpans_[k].start < horizon; ++k) {
    for (const int key : chordSpans_[k].keys) {
      const NoteRequest request{chordProgram_, key, kChordVelocity, chordSpans_[k].length};
      if (!cache_.contains(request)) {
        noteFor(request);
        return;
      }
    }
  }
}

void InstrumentLayer::addTo(std::span<double> mix) {
  for (const Sounding& note : sounding_) {
    addSounding(note, mix);
  }
  position_ += std::ssize(mix);
  std::erase_if(sounding_, [this](const Sounding& note) {
    return note.start + std::ssize(*note.samples) <= position_;
  });
}

void InstrumentLayer::addSounding(const Sounding& note, std::span<double> mix) const {
  const std::int64_t end = position_ + std::ssize(mix);
  const std::int64_t from = std::max(position_, note.start);
  const std::int64_t to = std::min(end, note.start + std::ssize(*note.samples));
  if (from >= to) {
    return;
  }
  const float* samples = note.samples->data() + (from - note.start);
  double* out = mix.data() + (from - position_);
  const auto count = static_cast<std::size_t>(to - from);
  for (std::size_t i = 0; i < count; ++i) {
    out[i] += note.gain * static_cast<double>(samples[i]);
  }
}

std::int64_t InstrumentLayer::ringingSamples() const {
  std::int64_t end = position_;
  for (const Sounding& note : sounding_) {
    end = std::max(end, note.start + std::ssize(*note.samples));
  }
  return end - position_;
}

}  // namespace quavern::playback
