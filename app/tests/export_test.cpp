// Exporting from the window: Ctrl+E or "Export...", the save dialog's choice,
// and the file written.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "export/song_export.h"
#include "window_fixture.h"

namespace quavern {
namespace {

class Export : public WindowTest {
 protected:
  void SetUp() override {
    TForm2Services services;
    services.showMessage = [this](const QString& text) { messages_ << text; };
    services.askExportFile = [this](const QString& suggested, const QStringList& filters) {
      suggested_ = suggested;
      filters_ = filters;
      return answer_;
    };
    window_ = std::make_unique<TForm2>(std::move(services));
    window_->show();
    QApplication::setActiveWindow(window_.get());
    notes(1)->setText("c-e-g-bb");
    notes(2)->setText("a-C-x");
    chord(2)->setCurrentIndex(19);
    control<QComboBox>("ComboBox21")->setCurrentIndex(2);  // "100"
  }

  void pressCtrlE(QWidget* target) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key_E, Qt::ControlModifier);
  }

  // The same song written by the export core directly, as quavern-export does.
  QByteArray writtenByTheCore(exporting::Format format) const {
    exporting::SongExport song;
    for (int bar = 1; bar <= 16; ++bar) {
      song.notes[static_cast<std::size_t>(bar - 1)] = notes(bar)->text().toStdU16String();
      song.chords[static_cast<std::size_t>(bar - 1)] = chord(bar)->currentIndex();
    }
    song.tempoIndex = 2;
    song.loop = 1;
    const QString name = folder_.filePath("reference");
    EXPECT_TRUE(exporting::exportSong(song, format, name.toStdU16String()));
    QFile file(name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }

  static QByteArray contentsOf(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir folder_;
  std::optional<ExportTarget> answer_;
  QString suggested_;
  QStringList filters_;
};

TEST_F(Export, CtrlEInATextFieldExportsAndLeavesTheFieldsCursorAlone) {
  notes(1)->setCursorPosition(2);
  answer_ = ExportTarget{folder_.filePath("song"), "MIDI file (*.mid *.midi)"};
  pressCtrlE(notes(1));

  EXPECT_EQ(suggested_, "data.wav");
  const QStringList expectedFilters{"WAV sound (*.wav)",        "FLAC sound (*.flac)",
                                    "Ogg Vorbis sound (*.ogg)", "MP3 sound (*.mp3)",
                                    "MIDI file (*.mid *.midi)", "MusicXML lead sheet (*.musicxml)"};
  EXPECT_EQ(filters_, expectedFilters);
  EXPECT_EQ(contentsOf(folder_.filePath("song.mid")), writtenByTheCore(exporting::Format::kMidi));
  EXPECT_EQ(notes(1)->cursorPosition(), 2);
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(Export, TheTypedExtensionPicksTheFormatWhateverTheFilter) {
  answer_ = ExportTarget{folder_.filePath("sheet.musicxml"), "WAV sound (*.wav)"};
  pressCtrlE(control<QLineEdit>("Edit20"));
  EXPECT_EQ(contentsOf(folder_.filePath("sheet.musicxml")),
            writtenByTheCore(exporting::Format::kMusicXml));
  EXPECT_FALSE(QFile::exists(folder_.filePath("sheet.musicxml.wav")));
}

TEST_F(Export, FailuresAreShownNamingTheFileAndWriteNothing) {
  // An extension that names no format, and a folder that does not exist.
  for (const QString& fileName :
       {folder_.filePath("song.txt"), folder_.filePath("missing/song.wav")}) {
    messages_.clear();
    answer_ = ExportTarget{fileName, "WAV sound (*.wav)"};
    window_->Export();
    ASSERT_EQ(messages_.size(), 1) << fileName.toStdString();
    EXPECT_TRUE(messages_.front().contains(fileName)) << messages_.front().toStdString();
    EXPECT_FALSE(QFile::exists(fileName));
  }
}

TEST_F(Export, ACancelledDialogDoesNothing) {
  answer_.reset();
  window_->Export();
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(Export, TheBackgroundMenuHoldsExportChordsAndPractise) {
  const QPoint background(10, 10);
  QContextMenuEvent event(QContextMenuEvent::Mouse, background, window_->mapToGlobal(background));
  QApplication::sendEvent(window_.get(), &event);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  QStringList entries;
  for (const QAction* action : menu->actions()) {
    entries << action->text() + " " + action->shortcut().toString();
  }
  menu->close();
  EXPECT_EQ(entries, (QStringList{"Export... Ctrl+E", "Chords under the melody Ctrl+Shift+C",
                                  "Melody sound ", "Chords sound ", "Practise... Ctrl+Shift+P"}));
}

}  // namespace
}  // namespace quavern
