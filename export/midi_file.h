#pragma once

#include <string>

#include "export/lead_sheet.h"
#include "playback/sounds.h"

namespace quavern::exporting {

// A Standard MIDI File of format 1 at 480 ticks a quarter note, one quarter per tone of
// the play. Tracks: the tempo (the play's note duration), 4/4 and C major; "Count-in",
// four F4s in the first bar; "Melody" from the second bar on; "Chords", each bar's four
// chord tones held for the bar under a marker with the chord's name. Each track starts by
// naming its instrument and selecting its General MIDI program: the count-in the steady
// tone's, the melody and the chords those of `sounds`, the steady tone standing for
// Ocarina (GM 80), the program nearest a sine. Chords for an instrument that plays only
// their root (the acoustic bass) hold the root alone, an octave lower, as play sounds it.
std::string midiFileBytes(const LeadSheet& sheet, const playback::StreamSounds& sounds = {});

}  // namespace quavern::exporting
