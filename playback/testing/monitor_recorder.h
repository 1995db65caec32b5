#pragma once

#include <QProcess>
#include <QString>
#include <cstdint>
#include <vector>

namespace quavern::playback::testing {

// Records what the default sound sink plays, through its monitor source, with
// parec: 48 kHz mono signed 16-bit, the format the sink is set up with.
class MonitorRecorder {
 public:
  explicit MonitorRecorder(QString filePath);
  ~MonitorRecorder();
  MonitorRecorder(const MonitorRecorder&) = delete;
  MonitorRecorder& operator=(const MonitorRecorder&) = delete;

  // Starts recording and returns once data arrives (parec delivers nothing for
  // its first half second); false when it never does.
  bool start();

  // Ends the recording and returns everything recorded.
  std::vector<std::int16_t> stop();

 private:
  QString filePath_;
  QProcess parec_;
};

}  // namespace quavern::playback::testing
