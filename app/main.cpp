#include <memory>
#include <utility>

#include "app/startup.h"
#include "app/tform2.h"
#include "playback/audio_sink_output.h"
#include "practice/audio_source_input.h"
#include "practice/midi_keyboard_input.h"
#include "practice/sound_performance_input.h"

namespace {

// The system's sound inputs, the default first, then the MIDI keyboards'
// ports, each opened as what it is.
quavern::PracticeInputs systemInputs() {
  using namespace quavern::practice;
  quavern::PracticeInputs inputs;
  inputs.list = [] {
    std::vector<InputEntry> entries = listSoundInputs();
    const std::vector<InputEntry> midi = listMidiInputs();
    entries.insert(entries.end(), midi.begin(), midi.end());
    return entries;
  };
  inputs.open = [](const InputEntry& entry) -> std::unique_ptr<PerformanceInput> {
    if (entry.kind == InputKind::Midi) {
      return std::make_unique<MidiKeyboardInput>(entry.id);
    }
    return std::make_unique<SoundPerformanceInput>(std::make_unique<AudioSourceInput>(entry.id));
  };
  inputs.openSound = [](const InputEntry& entry) -> std::unique_ptr<SoundInput> {
    return std::make_unique<AudioSourceInput>(entry.id);
  };
  return inputs;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The program takes no arguments: the toolkit is given only the program's
  // name, so start-up is the same whatever the command line holds.
  char fallbackName[] = "quavern";
  char* toolkitArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
  int toolkitArgc = 1;
  quavern::Application application(toolkitArgc, toolkitArgv);
  // Lets the desktop match the window to the installed entry and its icon.
  quavern::Application::setDesktopFileName(QStringLiteral("io.github.quavern.Quavern"));

  return quavern::runGuarded(
      [] {
        quavern::TForm2Services services;
        // Plays silently in time when the machine has no working sound device.
        services.sound = std::make_unique<quavern::playback::AudioSinkOutput>();
        services.microphone = [] {
          return std::make_unique<quavern::practice::AudioSourceInput>();
        };
        services.practiceInputs = systemInputs();
        quavern::TForm2 window(std::move(services));
        window.show();
        quavern::Application::exec();
      },
      quavern::showExceptionDialog);
}
