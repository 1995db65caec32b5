#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>

#include "window_fixture.h"

namespace quavern {
namespace {

QByteArray readFile(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
  file.write(bytes);
}

// Every bar "c-e-g-bb" over "Am" (code 29).
QByteArray plainFile() {
  QByteArray bytes = QByteArray("c-e-g-bb").repeated(16) + QByteArray(",29").repeated(16);
  return bytes + "\r\n";
}

// Runs in a folder of its own, so the default name "data.txt" is a file there.
class SongFileWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(folder_.isValid());
    previous_ = QDir::currentPath();
    QDir::setCurrent(folder_.path());
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  QLineEdit* fileName() const { return control<QLineEdit>("Edit20"); }

  // Bar k gets distinct notes (one bar beyond ASCII) and chord index 23 - k + 1.
  void enterSong() const {
    for (int bar = 1; bar <= 16; ++bar) {
      notes(bar)->setText(QString("a-c-e-%1").arg(bar % 10).leftJustified(8, '#'));
      chord(bar)->setCurrentIndex(24 - bar);
    }
    notes(5)->setText(QString::fromUtf8("\xC3\xA4\xC3\xB6\xC3\xBC\xE2\x82\xAC-#b-"));
  }

  // Every control's state by name, and the shared state behind the selectors.
  std::map<QString, QString> snapshot() const {
    std::map<QString, QString> state;
    for (auto* edit : window_->findChildren<QLineEdit*>())
      state[edit->objectName()] = edit->text();
    for (auto* box : window_->findChildren<QComboBox*>()) {
      state[box->objectName()] = QString("%1 %2").arg(box->currentIndex()).arg(box->currentText());
    }
    for (auto* tick : window_->findChildren<QCheckBox*>()) {
      state[tick->objectName()] = QString::number(tick->checkState());
    }
    state["t loop bs"] = QString("%1 %2 %3").arg(window_->t).arg(window_->loop).arg(bs);
    return state;
  }

  // Tests replace messages_ as a whole, so each command's messages are seen alone.
  QStringList takeMessages() { return std::exchange(messages_, {}); }

 private:
  QTemporaryDir folder_;
  QString previous_;
};

TEST_F(SongFileWindow, SaveThenOpenGivesTheSameSong) {
  enterSong();
  chord(16)->setCurrentIndex(0);
  const auto saved = snapshot();
  window_->Button3Click();
  EXPECT_EQ(takeMessages(), QStringList{"Save OK!"});
  EXPECT_TRUE(readFile("data.txt").endsWith("\r\n"));

  for (int bar = 1; bar <= 16; ++bar) {
    notes(bar)->setText("x");
    chord(bar)->setCurrentIndex(-1);
  }
  window_->Button4Click();
  EXPECT_EQ(takeMessages(), QStringList{"Load OK!"});
  EXPECT_EQ(snapshot(), saved);
}

TEST_F(SongFileWindow, SaveWritesTheRecordBytes) {
  for (int bar = 1; bar <= 16; ++bar) {
    notes(bar)->setText("c-e-g-bb");
    chord(bar)->setCurrentIndex(19);
  }
  window_->Button3Click();
  EXPECT_EQ(readFile("data.txt"), plainFile());
}

TEST_F(SongFileWindow, BadFilesChangeNothingAndSayWhy) {
  QDir().mkdir("folder");
  auto withCode = [](const char* code) { return plainFile().replace(129, 2, code); };
  struct Row {
    QString name;
    QByteArray bytes;  // written unless null
    QString message;
  };
  const Row rows[] = {
      {"empty.txt", "",
       R"("empty.txt" is not a song file: its first line is empty; a song needs 176 characters)"},
      {"notes.txt", plainFile().left(128) + "\r\n",
       R"("notes.txt" is not a song file: its first line has 128 characters, a song needs 176)"},
      {"short.txt", "c-e-g-bb\r\n",
       R"("short.txt" is not a song file: its first line has 8 characters, a song needs 176)"},
      {"4x.txt", withCode("4x"),
       R"("4x.txt" is not a song file: bar 1's chord code "4x" is not a number from 10 to 33)"},
      {"45.txt", withCode("45"),
       R"("45.txt" is not a song file: bar 1's chord code "45" is not a number from 10 to 33)"},
      {"09.txt", withCode("09"),
       R"("09.txt" is not a song file: bar 1's chord code "09" is not a number from 10 to 33)"},
      {"blank.txt", withCode(" 5"),
       R"("blank.txt" is not a song file: bar 1's chord code " 5" is not a number from 10 to 33)"},
      {"minus.txt", withCode("-1"),
       R"("minus.txt" is not a song file: bar 1's chord code "-1" is not a number from 10 to 33)"},
      {"latin1.txt", "c-\xE4" + plainFile(),
       R"("latin1.txt" is not a song file: byte 3 is not UTF-8 text)"},
      {"missing.txt", {}, R"(Could not open "missing.txt": No such file or directory)"},
      {"", {}, R"(Could not open "": no file name was given)"},
      {"folder", {}, R"(Could not open "folder": file to open is a directory)"},
  };
  enterSong();
  regenerate(2)->setChecked(false);
  for (const Row& row : rows) {
    if (!row.bytes.isNull())
      writeFile(row.name, row.bytes);
    fileName()->setText(row.name);
    const auto before = snapshot();
    window_->Button4Click();
    EXPECT_EQ(takeMessages(), QStringList{row.message}) << row.name.toStdString();
    EXPECT_EQ(snapshot(), before) << row.name.toStdString();
  }
}

TEST_F(SongFileWindow, FilesOthersWroteOpen) {
  writeFile("marked.txt", "\xEF\xBB\xBF" + plainFile());
  writeFile("longer.txt", plainFile() + "second line\r\n");
  for (const QString name : {"marked.txt", "longer.txt"}) {
    enterSong();
    fileName()->setText(name);
    window_->Button4Click();
    EXPECT_EQ(takeMessages(), QStringList{"Load OK!"}) << name.toStdString();
    for (int bar = 1; bar <= 16; ++bar) {
      EXPECT_EQ(notes(bar)->text(), "c-e-g-bb") << name.toStdString() << " bar " << bar;
      EXPECT_EQ(chord(bar)->currentText(), "Am") << name.toStdString() << " bar " << bar;
    }
  }
}

TEST_F(SongFileWindow, SaveRefusesASongThatWouldNotReadBack) {
  writeFile("data.txt", plainFile());
  enterSong();
  notes(3)->setText("c-e-g-");
  chord(9)->setCurrentIndex(-1);
  notes(11)->setText("c-e-g-bb-");
  window_->Button3Click();
  EXPECT_EQ(
      takeMessages(),
      QStringList{R"("data.txt" was not saved: bar 3 has 6 characters of notes, 8 are needed; )"
                  R"(bar 9 has no chord; bar 11 has 9 characters of notes, 8 are needed)"});
  EXPECT_EQ(readFile("data.txt"), plainFile());
}

TEST_F(SongFileWindow, FailedSaveKeepsTheOldFile) {
  const std::pair<QString, QString> rows[] = {
      {"missing/data.txt", R"(Could not save "missing/data.txt": No such file or directory)"},
      {"data.txt/data.txt", R"(Could not save "data.txt/data.txt": Not a directory)"},
      {"", R"(Could not save "": no file name was given)"},
  };
  writeFile("data.txt", plainFile());
  enterSong();
  for (const auto& [name, message] : rows) {
    fileName()->setText(name);
    window_->Button3Click();
    EXPECT_EQ(takeMessages(), QStringList{message}) << name.toStdString();
    EXPECT_EQ(readFile("data.txt"), plainFile()) << name.toStdString();
    EXPECT_EQ(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"data.txt"});
  }
}

TEST_F(SongFileWindow, OnlyNotesAndChordsChange) {
  writeFile("song.txt", plainFile());
  enterSong();
  regenerate(1)->setChecked(false);
  regenerate(7)->setCheckState(Qt::PartiallyChecked);
  choose("ComboBox20", 3);
  choose("ComboBox21", 2);
  choose("ComboBox22", 1);
  fileName()->setText("song.txt");
  auto before = snapshot();

  window_->Button4Click();
  window_->Button3Click();
  EXPECT_EQ(takeMessages(), (QStringList{"Load OK!", "Save OK!"}));
  auto after = snapshot();
  for (int bar = 1; bar <= 16; ++bar) {
    EXPECT_EQ(after[QString("Edit%1").arg(bar)], "c-e-g-bb");
    EXPECT_EQ(after[QString("ComboBox%1").arg(bar)], "19 Am");
    after.erase(QString("Edit%1").arg(bar));
    after.erase(QString("ComboBox%1").arg(bar));
    before.erase(QString("Edit%1").arg(bar));
    before.erase(QString("ComboBox%1").arg(bar));
  }
  EXPECT_EQ(after, before);
  EXPECT_EQ(readFile("song.txt"), plainFile());
}

}  // namespace
}  // namespace quavern
