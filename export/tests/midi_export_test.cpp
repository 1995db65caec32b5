// Reads exported MIDI files back with midicsv, a reader that shares nothing with the writer.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "export/song_export.h"
#include "export/tests/export_samples.h"
#include "songfile/tests/scratch_folder.h"

namespace quavern::exporting {
namespace {

// One line of midicsv's output: track, tick, record type, then the type's fields.
struct Record {
  int track = 0;
  long tick = 0;
  std::string type;
  std::vector<std::string> fields;
};

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \"");
  const auto last = text.find_last_not_of(" \"");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::vector<Record> readMidi(const QString& fileName) {
  QProcess midicsv;
  midicsv.start(MIDICSV, {fileName});
  EXPECT_TRUE(midicsv.waitForFinished());
  EXPECT_EQ(midicsv.exitCode(), 0) << midicsv.readAllStandardError().toStdString();
  std::istringstream lines(midicsv.readAllStandardOutput().toStdString());
  std::vector<Record> records;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream cells(line);
    std::vector<std::string> fields;
    for (std::string cell; std::getline(cells, cell, ',');) {
      fields.push_back(trimmed(cell));
    }
    Record record{std::stoi(fields[0]), std::stol(fields[1]), fields[2], {}};
    record.fields.assign(fields.begin() + 3, fields.end());
    records.push_back(record);
  }
  return records;
}

std::vector<Record> recordsOfType(const std::vector<Record>& records, const std::string& type) {
  std::vector<Record> found;
  for (const Record& record : records) {
    if (record.type == type) {
      found.push_back(record);
    }
  }
  return found;
}

// A sounding note as a listener hears it: start and end tick, channel, note number.
struct Note {
  long start;
  long end;
  int channel;
  int number;
  friend bool operator==(const Note&, const Note&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Note& n) {
    return out << "{" << n.start << "-" << n.end << " ch" << n.channel << " #" << n.number << "}";
  }
};

// Pairs every note-on with the note-off (or note-on at velocity 0) that ends it, per track,
// in order of start.
std::map<int, std::vector<Note>> notesByTrack(const std::vector<Record>& records) {
  std::map<int, std::vector<Note>> notes;
  for (const Record& record : records) {
    if (!record.type.starts_with("Note_")) {
      continue;
    }
    const int channel = std::stoi(record.fields[0]);
    const int number = std::stoi(record.fields[1]);
    auto& track = notes[record.track];
    if (record.type == "Note_on_c" && record.fields[2] != "0") {
      track.push_back({record.tick, -1, channel, number});
      continue;
    }
    for (Note& note : track) {
      if (note.end < 0 && note.channel == channel && note.number == number) {
        note.end = record.tick;
      }
    }
  }
  return notes;
}

constexpr long kQuarter = 480;
constexpr long kBar = 4 * kQuarter;

using MidiExport = test_support::ScratchFolderTest;

TEST_F(MidiExport, TempoIsThePlaysNoteDuration) {
  const long microseconds[] = {1'000'000, 833'000, 667'000, 500'000};
  for (int tempo = 0; tempo < 4; ++tempo) {
    ASSERT_TRUE(exportSong(samples::song({u"c-"}, {0}, tempo), Format::kMidi, u"song.mid"));
    const auto records = readMidi("song.mid");
    const auto tempos = recordsOfType(records, "Tempo");
    ASSERT_EQ(tempos.size(), 1U) << "tempo " << tempo;
    EXPECT_EQ(tempos[0].track, 1);
    EXPECT_EQ(tempos[0].tick, 0);
    EXPECT_EQ(std::stol(tempos[0].fields[0]), microseconds[tempo]) << "tempo " << tempo;
  }
}

TEST_F(MidiExport, TracksHoldTheCountInMelodyAndChordsOfEveryPass) {
  // Bar 1 spells the same pitch twice and ends in text that names no note; bar 2 has an odd
  // length, so its "c-" is cut across into bar 3 while the chords keep to their bars.
  const SongExport song =
      samples::song({u"ebd#C-xx", u"b-c", u"-"}, {3, 22, music::kNoChord}, 0, 2);
  ASSERT_TRUE(exportSong(song, Format::kMidi, u"song.mid"));
  const auto records = readMidi("song.mid");

  const auto header = recordsOfType(records, "Header");
  ASSERT_EQ(header.size(), 1U);
  EXPECT_EQ(header[0].fields, (std::vector<std::string>{"1", "4", "480"}));
  const auto meter = recordsOfType(records, "Time_signature");
  ASSERT_EQ(meter.size(), 1U);
  EXPECT_EQ(meter[0].fields[0] + "/" + meter[0].fields[1], "4/2");  // 4 beats of 2^-2
  const auto key = recordsOfType(records, "Key_signature");
  ASSERT_EQ(key.size(), 1U);
  EXPECT_EQ(key[0].fields, (std::vector<std::string>{"0", "major"}));

  std::map<int, std::string> names;
  for (const Record& record : recordsOfType(records, "Title_t")) {
    names[record.track] = record.fields[0];
  }
  EXPECT_EQ(names, (std::map<int, std::string>{{2, "Count-in"}, {3, "Melody"}, {4, "Chords"}}));

  auto notes = notesByTrack(records);
  ASSERT_EQ(notes[2].size(), 4U);
  const int countIn = notes[2][0].channel;
  for (std::size_t q = 0; q < 4; ++q) {
    const long start = static_cast<long>(q) * kQuarter;
    EXPECT_EQ(notes[2][q], (Note{start, start + kQuarter, countIn, 65}));
  }

  std::vector<Note> melody;
  const int melodyChannel = notes[3].empty() ? -1 : notes[3][0].channel;
  for (long pass = 0; pass < 2; ++pass) {
    // eb d# C- (rest) b- c-: six quarters a pass, from the second bar on.
    const long start = kBar + pass * 6 * kQuarter;
    const std::pair<long, int> quarters[] = {{0, 75}, {1, 75}, {2, 84}, {4, 83}, {5, 72}};
    for (const auto& [quarter, number] : quarters) {
      const long at = start + quarter * kQuarter;
      melody.push_back({at, at + kQuarter, melodyChannel, number});
    }
  }
  EXPECT_EQ(notes[3], melody);

  std::vector<Note> chords;
  std::vector<std::pair<long, std::string>> markers;
  const int chordsChannel = notes[4].empty() ? -1 : notes[4][0].channel;
  for (long pass = 0; pass < 2; ++pass) {
    const long bar1 = kBar + pass * 16 * kBar;
    for (const int number : {61, 64, 68, 71}) {  // Dbm: db e ab b
      chords.push_back({bar1, bar1 + kBar, chordsChannel, number});
    }
    for (const int number : {71, 63, 66, 69}) {  // B: b d# f# a
      chords.push_back({bar1 + kBar, bar1 + 2 * kBar, chordsChannel, number});
    }
    markers.push_back({bar1, "Dbm C#m"});
    markers.push_back({bar1 + kBar, "B"});
  }
  EXPECT_EQ(notes[4], chords);
  std::vector<std::pair<long, std::string>> foundMarkers;
  for (const Record& record : recordsOfType(records, "Marker_t")) {
    EXPECT_EQ(record.track, 4);
    foundMarkers.push_back({record.tick, record.fields[0]});
  }
  EXPECT_EQ(foundMarkers, markers);

  const std::set<int> channels{countIn, melodyChannel, chordsChannel};
  EXPECT_EQ(channels.size(), 3U);
  EXPECT_FALSE(channels.contains(9)) << "channel 10 is for percussion";
}

TEST_F(MidiExport, EachTrackNamesTheGeneralMidiProgramPlaySoundsItWith) {
  using playback::Sound;
  const struct {
    Sound melody;
    Sound chords;
    int melodyProgram;  // as midicsv shows it, counted from 0
    int chordsProgram;
    std::vector<int> firstChordNotes;  // C
  } rows[] = {
      {Sound::kSteadyTone, Sound::kSteadyTone, 79, 79, {60, 64, 67, 70}},
      {Sound::kAcousticGrandPiano, Sound::kJazzGuitar, 0, 26, {60, 64, 67, 70}},
      {Sound::kTrumpet, Sound::kStrings, 56, 48, {60, 64, 67, 70}},
      {Sound::kFlute, Sound::kAcousticBass, 73, 32, {48}},
  };
  for (const auto& row : rows) {
    SongExport song = samples::song({u"c-e-g-bb"}, {0});
    song.sounds = {row.melody, row.chords, {}};
    ASSERT_TRUE(exportSong(song, Format::kMidi, u"song.mid"));
    const auto records = readMidi("song.mid");
    std::map<int, std::string> programs;
    for (const Record& record : recordsOfType(records, "Program_c")) {
      EXPECT_EQ(record.tick, 0);
      programs[record.track] = record.fields[1];
    }
    EXPECT_EQ(programs, (std::map<int, std::string>{{2, "79"},
                                                    {3, std::to_string(row.melodyProgram)},
                                                    {4, std::to_string(row.chordsProgram)}}))
        << playback::nameOf(row.melody);
    std::map<int, std::string> instruments;
    for (const Record& record : recordsOfType(records, "Instrument_name_t")) {
      instruments[record.track] = record.fields[0];
    }
    EXPECT_EQ(instruments[3], playback::nameOf(row.melody));
    EXPECT_EQ(instruments[4], playback::nameOf(row.chords));
    std::vector<int> chordNotes;
    const auto tracks = notesByTrack(records);  // kept: a loop over a temporary's part dangles
    for (const Note& note : tracks.at(4)) {
      chordNotes.push_back(note.number);
    }
    EXPECT_EQ(chordNotes, row.firstChordNotes) << playback::nameOf(row.chords);
  }
}

}  // namespace
}  // namespace quavern::exporting
