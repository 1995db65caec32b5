#include "playback/recording_output.h"

#include <utility>

namespace quavern::playback {

void RecordingOutput::begin(WhileWaiting whileWaiting) {
  whileWaiting_ = std::move(whileWaiting);
  ++begins_;
}

bool RecordingOutput::sound(Tone tone) {
  tones_.push_back(tone);
  return !whileWaiting_ || whileWaiting_();
}

}  // namespace quavern::playback
