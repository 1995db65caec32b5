#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quavern::practice {

enum class InputKind {
  Sound,  // a microphone or line input, through the sound server
  Midi,   // a MIDI keyboard's input port
};

// One entry of the window's "Input" selector.
struct InputEntry {
  InputKind kind = InputKind::Sound;
  // Shown, and remembered in the settings: the device's description, or
  // "MIDI: <port name>".
  std::string name;
  // What opens it: the sound server's device id, or the MIDI port's id.
  std::string id;
  bool isDefault = false;  // the system's default sound input
};

struct InputChoice {
  std::optional<InputEntry> choice;  // nothing: the system has no input at all
  // The remembered input is gone: the choice is the default one instead, and
  // the window says so.
  bool fellBack = false;
};

// The entry named `rememberedName`; without one, the default sound input, or
// the first entry when none is marked default. An empty name remembers nothing
// and is no fall-back.
InputChoice chooseInput(std::span<const InputEntry> entries, std::string_view rememberedName);

// The entry name of a MIDI input port as RtMidi names it: "MIDI: " and the
// port's name, without the client and port numbers that the ALSA sequencer
// adds at its end ("Keystation:Keystation MIDI 1 20:0"), which change with the
// order the devices were plugged in.
std::string midiEntryName(std::string_view portName);

// The selector's text for an entry: its name, and "(default)" after the
// default sound input's.
std::string inputLabel(const InputEntry& entry);

}  // namespace quavern::practice
