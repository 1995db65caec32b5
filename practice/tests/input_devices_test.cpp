#include "practice/input_devices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "practice/input_level.h"

namespace quavern::practice {
namespace {

const InputEntry kUsbMicrophone{InputKind::Sound, "USB microphone", "alsa_input.usb", false};
const InputEntry kBuiltIn{InputKind::Sound, "Built-in audio", "alsa_input.pci", true};
const InputEntry kKeyboard{InputKind::Midi, "MIDI: Keystation:Keystation MIDI 1",
                           "alsa:Keystation:Keystation MIDI 1 20:0", false};

TEST(ChooseInput, TheRememberedInputOrTheDefaultSaidSo) {
  struct Row {
    const char* what;
    std::vector<InputEntry> entries;
    std::string remembered;
    std::optional<std::string> chosenId;
    bool fellBack;
  };
  const Row rows[] = {
      {"remembered and present",
       {kBuiltIn, kUsbMicrophone, kKeyboard},
       "USB microphone",
       "alsa_input.usb",
       false},
      {"a MIDI port remembered", {kBuiltIn, kKeyboard}, kKeyboard.name, kKeyboard.id, false},
      {"remembered and unplugged", {kBuiltIn, kKeyboard}, "USB microphone", "alsa_input.pci", true},
      {"nothing remembered yet", {kBuiltIn, kUsbMicrophone}, "", "alsa_input.pci", false},
      // The default need not come first in a list the caller put together.
      {"default listed later",
       {kKeyboard, kUsbMicrophone, kBuiltIn},
       "gone",
       "alsa_input.pci",
       true},
      {"no default marked", {kUsbMicrophone, kKeyboard}, "gone", "alsa_input.usb", true},
      {"ids are not names", {kBuiltIn, kUsbMicrophone}, "alsa_input.usb", "alsa_input.pci", true},
      {"no input at all", {}, "USB microphone", std::nullopt, true},
      {"no input, nothing remembered", {}, "", std::nullopt, false},
  };
  for (const Row& row : rows) {
    const InputChoice choice = chooseInput(row.entries, row.remembered);
    EXPECT_EQ(choice.choice.has_value(), row.chosenId.has_value()) << row.what;
    if (choice.choice && row.chosenId) {
      EXPECT_EQ(choice.choice->id, *row.chosenId) << row.what;
    }
    EXPECT_EQ(choice.fellBack, row.fellBack) << row.what;
  }
}

TEST(InputNames, MidiPortsLoseTheirSequencerAddressAndTheDefaultIsMarked) {
  const std::pair<const char*, const char*> ports[] = {
      {"Keystation:Keystation MIDI 1 20:0", "MIDI: Keystation:Keystation MIDI 1"},
      {"Keystation:Keystation MIDI 1 128:15", "MIDI: Keystation:Keystation MIDI 1"},
      {"test keyboard:keys", "MIDI: test keyboard:keys"},  // JACK adds none
      {"Synth 2:0 ports", "MIDI: Synth 2:0 ports"},        // not at the end
      {"Piano 20:", "MIDI: Piano 20:"},                    // not an address
      {"Piano :0", "MIDI: Piano :0"},
  };
  for (const auto& [port, name] : ports) {
    EXPECT_EQ(midiEntryName(port), name) << port;
  }
  EXPECT_EQ(inputLabel(kBuiltIn), "Built-in audio (default)");
  EXPECT_EQ(inputLabel(kUsbMicrophone), "USB microphone");
}

std::vector<std::int16_t> sine(double peak, int length) {
  std::vector<std::int16_t> samples;
  for (int n = 0; n < length; ++n) {
    samples.push_back(static_cast<std::int16_t>(
        std::lround(peak * 32767.0 * std::sin(2.0 * std::numbers::pi * n / 48.0))));
  }
  return samples;
}

TEST(InputLevel, RmsInDbfsWithinTheMetersRange) {
  struct Row {
    const char* what;
    std::vector<std::int16_t> samples;
    double dbfs;
  };
  const Row rows[] = {
      {"full-scale square", std::vector<std::int16_t>(480, -32768), 0.0},
      {"full-scale sine", sine(1.0, 4800), -3.01},
      {"sine at half scale", sine(0.5, 4800), -9.03},
      {"sine at -40 dBFS peak", sine(0.01, 4800), -43.01},
      {"below the meter", sine(0.0005, 4800), -60.0},
      {"silence", std::vector<std::int16_t>(480, 0), -60.0},
      {"nothing", {}, -60.0},
  };
  for (const Row& row : rows) {
    EXPECT_NEAR(levelDbfs(row.samples), row.dbfs, 0.02) << row.what;
  }
}

}  // namespace
}  // namespace quavern::practice
