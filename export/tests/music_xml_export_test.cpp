// Reads exported MusicXML back with Qt's XML reader.
#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QStringList>
#include <QXmlStreamReader>

#include "export/song_export.h"
#include "export/tests/export_samples.h"
#include "songfile/tests/scratch_folder.h"

namespace quavern::exporting {
namespace {

// What a reader of the score sees, one measure a line: "Dbm: Eb5[b] D#5[#] C6 r", with the
// measure's chord symbol (or "-"), each note's pitch, any accidental shown in brackets, and
// "r" for a rest. Anything not a quarter note shows as "?".
struct Score {
  QString version;
  QString partName;
  QString attributes;  // "divisions time clef"
  QString tempo;       // <sound tempo>
  QStringList measures;
};

QString alterSign(const QString& alter) {
  return alter == "-1" ? "b" : alter == "1" ? "#" : alter.isEmpty() ? "" : "?";
}

class ScoreReader {
 public:
  explicit ScoreReader(QIODevice* device) : xml_(device) {}

  Score read() {
    while (!xml_.atEnd()) {
      if (xml_.readNext() == QXmlStreamReader::StartElement) {
        element();
      }
    }
    EXPECT_FALSE(xml_.hasError()) << xml_.errorString().toStdString();
    return score_;
  }

 private:
  void element() {
    const auto name = xml_.name();
    if (name == u"score-partwise") {
      score_.version = xml_.attributes().value("version").toString();
    } else if (name == u"part-name") {
      score_.partName = xml_.readElementText();
    } else if (name == u"attributes") {
      const auto texts = leafTexts(u"attributes");
      divisions_ = texts.value("divisions");
      score_.attributes = QString("%1 %2/%3 %4 %5")
                              .arg(divisions_, texts.value("beats"), texts.value("beat-type"),
                                   texts.value("sign"), texts.value("line"));
    } else if (name == u"sound") {
      score_.tempo = xml_.attributes().value("tempo").toString();
    } else if (name == u"measure") {
      score_.measures << "-:";
    } else if (name == u"harmony") {
      harmony(leafTexts(u"harmony"));
    } else if (name == u"note") {
      note(leafTexts(u"note"));
    }
  }

  // The text of every element without children up to the end of `parent`; empty ones such
  // as <rest/> are there with no text.
  QMap<QString, QString> leafTexts(QStringView parent) {
    QMap<QString, QString> texts;
    while (!xml_.atEnd()) {
      const auto token = xml_.readNext();
      if (token == QXmlStreamReader::EndElement && xml_.name() == parent) {
        break;
      }
      const QString name = xml_.name().toString();
      if (token == QXmlStreamReader::StartElement && name != "pitch" && name != "root" &&
          name != "key" && name != "time" && name != "clef") {
        texts[name] = xml_.readElementText();
      }
    }
    return texts;
  }

  void harmony(const QMap<QString, QString>& texts) {
    const QString kind = texts.value("kind");
    const QString suffix = kind == "minor" ? "m" : kind == "major" ? "" : "?";
    const QString symbol = texts.value("root-step") + alterSign(texts.value("root-alter")) + suffix;
    score_.measures.last().replace(0, 1, symbol);
  }

  void note(const QMap<QString, QString>& texts) {
    const QString alter = texts.value("alter");
    QString shown = texts.contains("rest")
                        ? "r"
                        : texts.value("step") + alterSign(alter) + texts.value("octave");
    if (texts.contains("accidental")) {
      const QString accidental = texts.value("accidental");
      shown += accidental == "flat"      ? "[b]"
               : accidental == "sharp"   ? "[#]"
               : accidental == "natural" ? "[n]"
                                         : "[?]";
    }
    if (texts.value("duration") != divisions_ || texts.value("type") != "quarter") {
      shown = "?";
    }
    score_.measures.last() += " " + shown;
  }

  QXmlStreamReader xml_;
  Score score_;
  QString divisions_;
};

using MusicXmlExport = test_support::ScratchFolderTest;

Score exportedScore(const SongExport& song) {
  EXPECT_TRUE(exportSong(song, Format::kMusicXml, u"song.musicxml"));
  QFile file("song.musicxml");
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return ScoreReader(&file).read();
}

TEST_F(MusicXmlExport, AOnePartLeadSheetIn44) {
  const Score score = exportedScore(samples::song({u"c-"}, {0}));
  EXPECT_EQ(score.version, "3.1");
  EXPECT_EQ(score.partName, "Melody");
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
