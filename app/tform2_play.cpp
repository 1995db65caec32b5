#include "app/controls.h"
#include "app/play_follower.h"
#include "app/play_guard.h"
#include "app/tform2.h"
#include "playback/play.h"
#include "playback/play_settings.h"

namespace quavern {

void TForm2::Button2Click() {
  const music::NotesTexts notes = readNotes();
  const int tempoIndex = itemIndex(*ComboBox21);
  tints_->clear();
  PlayGuard guard(*this);
  playback::PlayState state{.t = t, .loop = loop, .loop_ = loop_};
  {
    PlayFollower follower(notesFields(), notes, playback::noteDurationMs(tempoIndex), loop);
    playback::SoundOutput& output = *services_.sound;
    playback::play(
        notes, tempoIndex, state, output,
        [&] {
          const playback::PlayControl asked = guard.keepWindowAlive();
          follower.showHeard(output.heardMs());
          return asked;
        },
        chordsToPlayUnder(), soundsToPlay());
  }
  t = state.t;
  loop = state.loop;
  loop_ = state.loop_;
  guard.finish();
  if (guard.closeRequested()) {
    close();
  }
}

void TForm2::Button5Click() {
  loop = 0;
}

void TForm2::ComboBox20Select() {
  loop = playback::loopCountFor(itemIndex(*ComboBox20));
}

void TForm2::ComboBox22Select() {
  bs = playback::spellingFor(itemIndex(*ComboBox22));
}

}  // namespace quavern
