#include "playback/recording_output.h"

#include <utility>

namespace quavern::playback {

void RecordingOutput::begin(WhileWaiting whileWaiting, Accompaniment accompaniment,
                            StreamSounds sounds) {
  sounds_ = std::move(sounds);
  whileWaiting_ = std::move(whileWaiting);
  accompaniment_ = std::move(accompaniment);
  origin_ = Clock::now();
  heardMs_ = 0;
  streamMs_ = 0;
  ++begins_;
}

bool RecordingOutput::sound(Tone tone) {
  tones_.push_back(tone);
  heardMs_ = streamMs_;
  streamMs_ += tone.durationMs;
  return !whileWaiting_ || whileWaiting_() == PlayControl::Continue;
}

}  // namespace quavern::playback
