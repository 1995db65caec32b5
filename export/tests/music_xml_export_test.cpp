// Reads exported MusicXML back with Qt's XML parser.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QStringList>

#include "export/song_export.h"
#include "export/tests/export_samples.h"
#include "songfile/tests/scratch_folder.h"

namespace quavern::exporting {
namespace {

QString alterSign(const QString& alter) {
  return alter == "-1" ? "b" : alter == "1" ? "#" : alter.isEmpty() ? "" : "?";
}

QString text(const QDomElement& parent, const QString& name) {
  return parent.firstChildElement(name).text();
}

// A chord symbol as the selector names it, "Dbm" or "B"; "-" when there is none.
QString chordSymbol(const QDomElement& measure) {
  const QDomElement harmony = measure.firstChildElement("harmony");
  if (harmony.isNull()) {
    return "-";
  }
  const QString kind = text(harmony, "kind");
  const QDomElement root = harmony.firstChildElement("root");
  return text(root, "root-step") + alterSign(text(root, "root-alter")) +
         (kind == "minor"   ? "m"
          : kind == "major" ? ""
                            : "?");
}

// "Eb5", or "r" for a rest, then any accidental shown: "[b]", "[#]", "[n]". Anything but a
// quarter note is "?".
QString noteText(const QDomElement& note, const QString& divisions) {
  if (text(note, "duration") != divisions || text(note, "type") != "quarter") {
    return "?";
  }
  if (!note.firstChildElement("rest").isNull()) {
    return "r";
  }
  const QDomElement pitch = note.firstChildElement("pitch");
  const QString accidental = text(note, "accidental");
  const QString shown = accidental == "flat"      ? "[b]"
                        : accidental == "sharp"   ? "[#]"
                        : accidental == "natural" ? "[n]"
                        : accidental.isEmpty()    ? ""
                                                  : "[?]";
  return text(pitch, "step") + alterSign(text(pitch, "alter")) + text(pitch, "octave") + shown;
}

// What a reader of the score sees, one measure a line: "Dbm: Eb5[b] D#5[#] C6 r".
struct Score {
  QDomDocument document;
  QDomElement root;
  QString attributes;  // "divisions beats/beat-type clef line"
  QString tempo;       // <sound tempo>
  QStringList measures;
};

Score exportedScore(const SongExport& song) {
  EXPECT_TRUE(exportSong(song, Format::kMusicXml, u"song.musicxml"));
  QFile file("song.musicxml");
  Score score;
  EXPECT_TRUE(file.open(QIODevice::ReadOnly) && score.document.setContent(&file));
  score.root = score.document.documentElement();
  const QDomElement part = score.root.firstChildElement("part");
  const QDomElement attributes = part.firstChildElement("measure").firstChildElement("attributes");
  const QString divisions = text(attributes, "divisions");
  const QDomElement time = attributes.firstChildElement("time");
  const QDomElement clef = attributes.firstChildElement("clef");
  score.attributes = QString("%1 %2/%3 %4 %5")
                         .arg(divisions, text(time, "beats"), text(time, "beat-type"),
                              text(clef, "sign"), text(clef, "line"));
  score.tempo = score.root.elementsByTagName("sound").item(0).toElement().attribute("tempo");
  for (QDomElement measure = part.firstChildElement("measure"); !measure.isNull();
       measure = measure.nextSiblingElement("measure")) {
    QString line = chordSymbol(measure) + ":";
    for (QDomElement note = measure.firstChildElement("note"); !note.isNull();
         note = note.nextSiblingElement("note")) {
      line += " " + noteText(note, divisions);
    }
    score.measures << line;
  }
  return score;
}

using MusicXmlExport = test_support::ScratchFolderTest;

TEST_F(MusicXmlExport, AOnePartLeadSheetIn44) {
  const Score score = exportedScore(samples::song({u"c-"}, {0}));
  EXPECT_EQ(score.root.tagName(), "score-partwise");
  EXPECT_EQ(score.root.attribute("version"), "3.1");
  EXPECT_EQ(score.root.elementsByTagName("part").size(), 1);
  EXPECT_EQ(
      text(score.root.firstChildElement("part-list").firstChildElement("score-part"), "part-name"),
      "Melody");
  EXPECT_EQ(score.attributes, "1 4/4 G 2");
  const char* tempos[] = {"60", "72.03", "89.96", "120"};  // 60000 / 1000, 833, 667, 500 ms
  for (int tempo = 0; tempo < 4; ++tempo) {
    EXPECT_EQ(exportedScore(samples::song({u"c-"}, {0}, tempo)).tempo, tempos[tempo]);
  }
}

TEST_F(MusicXmlExport, NotesAreSpelledAsTheirTokensAndChordsNamedAsTheSelectorNamesThem) {
  const SongExport song =
      samples::song({u"ebd#c-C-", u"f#gbbba#", u"xx  b-a-", u"ebebe-eb", u"c-e-g-bb"},
                    {2, 21, music::kNoChord, 8, 0});
  const Score score = exportedScore(song);
  ASSERT_EQ(score.measures.size(), 16);
  EXPECT_EQ(
      score.measures.mid(0, 6),
      (QStringList{"Db: Eb5[b] D#5[#] C5 C6", "Bbm: F#5[#] Gb5[b] Bb5[b] A#5[#]", "-: r r B5 A5",
                   "E: Eb5[b] Eb5 E5[n] Eb5[b]", "C: C5 E5 G5 Bb5[b]", "-: r r r r"}));
}

TEST_F(MusicXmlExport, BarsKeepFourQuartersWhileTheMelodyFollowsThePlaysCuts) {
  // 3 characters, then 3: the tokens run "c-" "e-" "g-" across the bar line.
  const SongExport song = samples::song({u"c-e", u"-g-"}, {0, 1}, 0, 2);
  const Score score = exportedScore(song);
  ASSERT_EQ(score.measures.size(), 32);
  EXPECT_EQ(score.measures[0], "C: C5 E5 G5 C5");
  EXPECT_EQ(score.measures[1], "Cm: E5 G5 r r");
  EXPECT_EQ(score.measures[16], "C: r r r r");
  EXPECT_EQ(score.measures[17], "Cm: r r r r");
}

}  // namespace
}  // namespace quavern::exporting
