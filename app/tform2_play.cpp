#include "app/controls.h"
#include "app/play_guard.h"
#include "app/tform2.h"
#include "playback/play.h"
#include "playback/play_settings.h"

namespace quavern {

void TForm2::Button2Click() {
  PlayGuard guard(*this);
  playback::PlayState state{.t = t, .loop = loop, .loop_ = loop_};
  playback::play(readNotes(), itemIndex(*ComboBox21), state, *services_.sound,
                 [&guard] { return guard.keepWindowAlive(); });
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
