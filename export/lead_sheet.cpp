#include "export/lead_sheet.h"

#include "music/token_cuts.h"
#include "playback/play_settings.h"

namespace quavern::exporting {
namespace {

const music::ChordToneTable& flatChordTones() {
  // The window fills the tables while it is built and only reads them from then on; a
  // program without the window fills them here, once. Tables already filled are left
  // alone, so an export on another thread never writes what the window may be reading.
  static const bool filled = [] {
    if (music::cdf[0][0].empty()) {
      music::fillChordToneTables();
    }
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
