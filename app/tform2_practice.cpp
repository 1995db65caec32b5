#include <QCoreApplication>
#include <QString>
#include <chrono>
#include <thread>
#include <vector>

#include "app/controls.h"
#include "app/play_follower.h"
#include "app/play_guard.h"
#include "app/tform2.h"
#include "music/token_cuts.h"
#include "playback/play.h"
#include "playback/play_settings.h"
#include "practice/judge.h"
#include "practice/practice_result.h"
#include "practice/sound_input.h"

namespace quavern {
namespace {

const QString kNoSoundInput = QStringLiteral("No sound input was found.");

// The input's own latency: what the player played at the end of the pass
// arrives a little after the pass has been heard.
constexpr std::chrono::milliseconds kInputCatchUp{200};

}  // namespace

// Listens to the player play the song back after the count-in and judges every
// note; the recording lives in memory for this practice only.
void TForm2::Practise() {
  std::unique_ptr<practice::SoundInput> input =
      services_.microphone ? services_.microphone() : nullptr;
  if (!input || input->start()) {
    showMessage(kNoSoundInput);
    return;
  }
  tints_->clear();
  const music::NotesTexts notes = readNotes();
  const int tempoIndex = itemIndex(*ComboBox21);
  const std::int32_t noteMs = playback::noteDurationMs(tempoIndex);
  playback::SoundOutput& output = *services_.sound;
  std::vector<std::int16_t> heard;
  bool inputLost = false;
  playback::PlayOutcome outcome{};

  PlayGuard guard(*this);
  {
    PlayFollower follower(notesFields(), notes, noteMs, 1);
    const auto listen = [&] {
      const playback::PlayControl asked = guard.keepWindowAlive();
      follower.showHeard(output.heardMs());
      input->readAvailable(heard);
      inputLost = input->hasStalled(practice::SteadyClock::now());
      return inputLost && asked == playback::PlayControl::Continue ? playback::PlayControl::Stop
                                                                   : asked;
    };
    outcome =
        playback::practise(notes, tempoIndex, output, listen, chordsToPlayUnder(), soundsToPlay());
    const auto catchUpUntil = practice::SteadyClock::now() + kInputCatchUp;
    while (outcome == playback::PlayOutcome::Finished &&
           practice::SteadyClock::now() < catchUpUntil && !guard.closeRequested()) {
      std::this_thread::sleep_for(playback::kLongestWaitSlice / 2);
      listen();
    }
  }
  input->stop();
  guard.finish();
  if (guard.closeRequested()) {
    close();
    return;
  }
  if (inputLost) {
    showMessage(kNoSoundInput);
    return;
  }
  if (outcome != playback::PlayOutcome::Finished || !input->firstSampleCapturedAt()) {
    return;  // stopped with Escape: no result
  }
  const practice::Take take{
      heard, practice::SoundInput::kSampleRate,
      practice::inputIndexAt(output.heardOrigin(), *input->firstSampleCapturedAt(),
                             practice::SoundInput::kSampleRate)};
  const auto judgements = practice::judgeTake(music::cutTokens(notes), noteMs, take);
  tints_->tint(practice::barsWithNoteNotRight(judgements));
  showMessage(QString::fromStdString(practice::resultText(judgements)));
}

}  // namespace quavern
