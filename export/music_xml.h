#pragma once

#include <QByteArray>

#include "export/lead_sheet.h"

namespace quavern::exporting {

// An uncompressed MusicXML 3.1 score-partwise document with one part, "Melody": 4/4,
// treble clef, the play's tempo, four quarters a measure, and each bar's chord symbol.
// Every note is spelled as its token spells it; text that names no note is a quarter rest.
QByteArray musicXmlBytes(const LeadSheet& sheet);

}  // namespace quavern::exporting
