#include "export/lead_sheet.h"

#include "music/token_cuts.h"
#include "playback/play_settings.h"

namespace quavern::exporting {
namespace {

const music::ChordToneTable& flatChordTones() {
  // The window fills the tables while it is built; a program without it fills them here.
  // Filling again writes the same names.
  static const bool filled = [] {
    music::fillChordToneTables();
    return true;
  }();
  (void)filled;
  return music::cdf;
}

}  // namespace

std::array<int, music::kTonesPerChord> chordTones(int chordIndex) {
  const auto& row = flatChordTones()[static_cast<std::size_t>(chordIndex)];
  std::array<int, music::kTonesPerChord> tones{};
  for (std::size_t k = 0; k < tones.size(); ++k) {
    const std::u16string name(row[k].begin(), row[k].end());
    tones[k] = music::findNoteToken(name).value().semitonesAboveC;
  }
  return tones;
}

LeadSheet leadSheetOf(const SongExport& song) {
  LeadSheet sheet;
  sheet.quarterMs = playback::noteDurationMs(song.tempoIndex);
  const std::vector<music::TokenCut> tokens = music::cutTokens(song.notes);
  for (std::int32_t pass = 0; pass < song.loop; ++pass) {
    for (const music::TokenCut& token : tokens) {
      sheet.quarters.push_back(music::findNoteToken(token.text));
    }
    for (const int chord : song.chords) {
      sheet.barChords.push_back(music::isChordIndex(chord) ? chord : music::kNoChord);
    }
  }
  return sheet;
}

}  // namespace quavern::exporting
