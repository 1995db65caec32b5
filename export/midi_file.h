#pragma once

#include <string>

#include "export/lead_sheet.h"

namespace quavern::exporting {

// A Standard MIDI File of format 1 at 480 ticks a quarter note, one quarter per tone of
// the play. Tracks: the tempo (the play's note duration), 4/4 and C major; "Count-in",
// four F4s in the first bar; "Melody" from the second bar on; "Chords", each bar's four
// chord tones held for the bar under a marker with the chord's name.
std::string midiFileBytes(const LeadSheet& sheet);

}  // namespace quavern::exporting
