#include "export/music_xml.h"

#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

namespace quavern::exporting {
namespace {

constexpr std::size_t kQuartersPerMeasure = 4;
constexpr int kLowestOctave = 5;  // "c-" is C5 (523 Hz); "C-" is C6
constexpr double kMsPerMinute = 60000.0;

// A note as staff notation names it.
struct Spelling {
  char step;  // 'A' to 'G'
  int alter;  // -1 flat, 0 natural, +1 sharp
  int octave;
};

Spelling spellingOf(const music::NoteToken& token) {
  const char letter = token.text[0];
  const char sign = token.text[1];
  return {static_cast<char>(letter >= 'a' ? letter - 'a' + 'A' : letter),
          sign == 'b'   ? -1
          : sign == '#' ? 1
                        : 0,
          kLowestOctave + token.semitonesAboveC / kSemitonesPerOctave};
}

// The root as the chord selector's first name gives it: "Db" for "Db C#".
Spelling chordRootOf(int chordIndex) {
  const std::string_view name = music::kChordNames[static_cast<std::size_t>(chordIndex)];
  return {name[0], name.size() > 1 && name[1] == 'b' ? -1 : 0, 0};
}

bool isMinorChord(int chordIndex) {
  return chordIndex % 2 == 1;
}

QString number(int value) {
  return QString::number(value);
}

// Beats a minute for the play's note duration, to two decimals: 833 ms is 72.03.
QString beatsPerMinute(std::int32_t quarterMs) {
  const double bpm = std::round(kMsPerMinute / quarterMs * 100.0) / 100.0;
  return QString::number(bpm, 'g', 10);
}

QString accidentalName(int alter) {
  return alter < 0   ? QStringLiteral("flat")
         : alter > 0 ? QStringLiteral("sharp")
                     : QStringLiteral("natural");
}

class MeasureWriter {
 public:
  explicit MeasureWriter(QXmlStreamWriter& xml) : xml_(xml) {}

  void begin(std::size_t number) {
    xml_.writeStartElement("measure");
    xml_.writeAttribute("number", QString::number(number));
    // An accidental holds to the end of its measure, for its step in its octave.
    alterInForce_.clear();
  }
  void end() { xml_.writeEndElement(); }

  void attributes() {
    xml_.writeStartElement("attributes");
    xml_.writeTextElement("divisions", "1");  // a quarter note lasts 1
    xml_.writeStartElement("key");
    xml_.writeTextElement("fifths", "0");
    xml_.writeEndElement();
    xml_.writeStartElement("time");
    xml_.writeTextElement("beats", "4");
    xml_.writeTextElement("beat-type", "4");
    xml_.writeEndElement();
    xml_.writeStartElement("clef");
    xml_.writeTextElement("sign", "G");
    xml_.writeTextElement("line", "2");
    xml_.writeEndElement();
    xml_.writeEndElement();
  }

  void tempo(std::int32_t quarterMs) {
    const QString bpm = beatsPerMinute(quarterMs);
    xml_.writeStartElement("direction");
    xml_.writeAttribute("placement", "above");
    xml_.writeStartElement("direction-type");
    xml_.writeStartElement("metronome");
    xml_.writeTextElement("beat-unit", "quarter");
    xml_.writeTextElement("per-minute", bpm);
    xml_.writeEndElement();
    xml_.writeEndElement();
    xml_.writeEmptyElement("sound");
    xml_.writeAttribute("tempo", bpm);
    xml_.writeEndElement();
  }

  void harmony(int chordIndex) {
    const Spelling root = chordRootOf(chordIndex);
    xml_.writeStartElement("harmony");
    xml_.writeStartElement("root");
    xml_.writeTextElement("root-step", QString(QChar(root.step)));
    if (root.alter != 0) {
      xml_.writeTextElement("root-alter", number(root.alter));
    }
    xml_.writeEndElement();
    xml_.writeStartElement("kind");
    if (isMinorChord(chordIndex)) {
      xml_.writeAttribute("text", "m");
      xml_.writeCharacters("minor");
    } else {
      xml_.writeAttribute("text", "");
      xml_.writeCharacters("major");
    }
    xml_.writeEndElement();
    xml_.writeEndElement();
  }

  void note(const Spelling& note) {
    xml_.writeStartElement("note");
    xml_.writeStartElement("pitch");
    xml_.writeTextElement("step", QString(QChar(note.step)));
    if (note.alter != 0) {
      xml_.writeTextElement("alter", number(note.alter));
    }
    xml_.writeTextElement("octave", number(note.octave));
    xml_.writeEndElement();
    xml_.writeTextElement("duration", "1");
    xml_.writeTextElement("type", "quarter");
    writeAccidentalIfNeeded(note);
    xml_.writeEndElement();
  }

  void rest() {
    xml_.writeStartElement("note");
    xml_.writeEmptyElement("rest");
    xml_.writeTextElement("duration", "1");
    xml_.writeTextElement("type", "quarter");
    xml_.writeEndElement();
  }

  void finalBarline() {
    xml_.writeStartElement("barline");
    xml_.writeAttribute("location", "right");
    xml_.writeTextElement("bar-style", "light-heavy");
    xml_.writeEndElement();
  }

 private:
  // Shown where the note's alteration differs from the one in force (C major: none).
  void writeAccidentalIfNeeded(const Spelling& note) {
    int& inForce = alterInForce_[{note.step, note.octave}];
    if (note.alter != inForce) {
      xml_.writeTextElement("accidental", accidentalName(note.alter));
      inForce = note.alter;
    }
  }

  QXmlStreamWriter& xml_;
  std::map<std::pair<char, int>, int> alterInForce_;
};

std::size_t measureCount(const LeadSheet& sheet) {
  const std::size_t forMelody =
      (sheet.quarters.size() + kQuartersPerMeasure - 1) / kQuartersPerMeasure;
  return std::max<std::size_t>({sheet.barChords.size(), forMelody, 1});
}

void writeMeasures(QXmlStreamWriter& xml, const LeadSheet& sheet) {
  MeasureWriter measure(xml);
  const std::size_t count = measureCount(sheet);
  for (std::size_t m = 0; m < count; ++m) {
    measure.begin(m + 1);
    if (m == 0) {
      measure.attributes();
      measure.tempo(sheet.quarterMs);
    }
    if (m < sheet.barChords.size() && music::isChordIndex(sheet.barChords[m])) {
      measure.harmony(sheet.barChords[m]);
    }
    for (std::size_t q = m * kQuartersPerMeasure; q < (m + 1) * kQuartersPerMeasure; ++q) {
      if (q < sheet.quarters.size() && sheet.quarters[q]) {
        measure.note(spellingOf(*sheet.quarters[q]));
      } else {
        measure.rest();
      }
    }
    if (m + 1 == count) {
      measure.finalBarline();
    }
    measure.end();
  }
}

void writePartList(QXmlStreamWriter& xml) {
  xml.writeStartElement("part-list");
  xml.writeStartElement("score-part");
  xml.writeAttribute("id", "P1");
  xml.writeTextElement("part-name", "Melody");
  // Notation programs look for an instrument to play the part with; General MIDI 1 is the
  // acoustic grand piano.
  xml.writeStartElement("score-instrument");
  xml.writeAttribute("id", "P1-I1");
  xml.writeTextElement("instrument-name", "Melody");
  xml.writeEndElement();
  xml.writeStartElement("midi-instrument");
  xml.writeAttribute("id", "P1-I1");
  xml.writeTextElement("midi-channel", "1");
  xml.writeTextElement("midi-program", "1");
  xml.writeEndElement();
  xml.writeEndElement();
  xml.writeEndElement();
}

void writeIdentification(QXmlStreamWriter& xml) {
  xml.writeStartElement("identification");
  xml.writeStartElement("encoding");
  xml.writeTextElement("software", "Quavern");
  xml.writeEndElement();
  xml.writeEndElement();
}

}  // namespace

QByteArray musicXmlBytes(const LeadSheet& sheet) {
  QByteArray bytes;
  QXmlStreamWriter xml(&bytes);
  xml.setAutoFormatting(true);
  xml.setAutoFormattingIndent(2);
  xml.writeStartDocument("1.0", false);
  xml.writeDTD(
      "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.1 Partwise//EN\" "
      "\"http://www.musicxml.org/dtds/partwise.dtd\">");
  xml.writeStartElement("score-partwise");
  xml.writeAttribute("version", "3.1");
  writeIdentification(xml);
  writePartList(xml);
  xml.writeStartElement("part");
  xml.writeAttribute("id", "P1");
  writeMeasures(xml, sheet);
  xml.writeEndElement();
  xml.writeEndElement();
  xml.writeEndDocument();
  return bytes;
}

}  // namespace quavern::exporting
