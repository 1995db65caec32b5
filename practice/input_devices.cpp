#include "practice/input_devices.h"

#include <algorithm>
#include <cctype>

namespace quavern::practice {
namespace {

std::optional<InputEntry> fallbackEntry(std::span<const InputEntry> entries) {
  const auto marked = std::ranges::find_if(entries, &InputEntry::isDefault);
  if (marked != entries.end()) {
    return *marked;
  }
  if (entries.empty()) {
    return std::nullopt;
  }
  return entries.front();
}

bool isDigits(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

// True when `text` ends in " C:P", C and P numbers.
bool endsInSequencerAddress(std::string_view text) {
  const std::size_t space = text.rfind(' ');
  if (space == std::string_view::npos) {
    return false;
  }
  const std::string_view address = text.substr(space + 1);
  const std::size_t colon = address.find(':');
  return colon != std::string_view::npos && isDigits(address.substr(0, colon)) &&
         isDigits(address.substr(colon + 1));
}

}  // namespace

std::string midiEntryName(std::string_view portName) {
  if (endsInSequencerAddress(portName)) {
    portName = portName.substr(0, portName.rfind(' '));
  }
  return "MIDI: " + std::string(portName);
}

InputChoice chooseInput(std::span<const InputEntry> entries, std::string_view rememberedName) {
  if (rememberedName.empty()) {
    return {fallbackEntry(entries), false};
  }
  const auto remembered = std::ranges::find(entries, rememberedName, &InputEntry::name);
  if (remembered != entries.end()) {
    return {*remembered, false};
  }
  return {fallbackEntry(entries), true};
}

std::string inputLabel(const InputEntry& entry) {
  return entry.isDefault ? entry.name + " (default)" : entry.name;
}

}  // namespace quavern::practice
