#include "app/controls.h"
#include "app/tform2.h"
#include "songfile/song_file.h"
#include "songfile/song_file_messages.h"

namespace quavern {
namespace {

void showSong(const std::array<BarControls, music::kBarCount>& bars, const songfile::Song& song) {
  for (std::size_t bar = 0; bar < bars.size(); ++bar) {
    bars[bar].notes->setText(QString::fromStdU16String(song.notes[bar]));
    setItemIndex(*bars[bar].chord, song.chords[bar]);
  }
}

}  // namespace

void TForm2::Button3Click() {
  const QString fileName = Edit20->text();
  const auto saved =
      songfile::saveSong(fileName.toStdU16String(), {readNotes(), readChordIndexes()});
  showMessage(saved ? QStringLiteral("Save OK!") : saveErrorText(fileName, saved.error()));
}

// The window changes only once the whole file has been read and checked.
void TForm2::Button4Click() {
  const QString fileName = Edit20->text();
  const auto opened = songfile::openSong(fileName.toStdU16String());
  if (!opened) {
    showMessage(openErrorText(fileName, opened.error()));
    return;
  }
  showSong(bars_, opened.value());
  showMessage(QStringLiteral("Load OK!"));
}

}  // namespace quavern
