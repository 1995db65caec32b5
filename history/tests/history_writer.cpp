// A second Quavern process writing to the history, for the tests: stores passes and says
// so on standard output, one line a pass, so a test can race it or kill it mid-write.
//   history_writer store FILE COUNT   stores COUNT passes, then exits 0 (1 on an error)
//   history_writer loop FILE          stores passes until killed
//   history_writer fill FILE BYTES    limits files to BYTES, stores until a write fails;
//                                     exits 0 when that failure was reported as such
#include <sys/resource.h>

#include <QCoreApplication>
#include <QString>
#include <csignal>
#include <cstdio>
#include <limits>

#include "history/history_store.h"
#include "history/tests/sample_pass.h"

namespace {

using quavern::history::HistoryErrorKind;
using quavern::history::HistoryStore;
using quavern::history::Passage;
using quavern::history::testing::minutesAfterStart;
using quavern::history::testing::samplePass;
using quavern::history::testing::songOf;

int store(HistoryStore& history, long long count) {
  const auto song = songOf(u"c-e-g-bb");
  for (long long i = 0; i < count; ++i) {
    const auto stored = history.storePass(
        samplePass(song, Passage{1, 16}, minutesAfterStart(i), static_cast<int>(i % 13)));
    if (!stored) {
      std::printf("error %d %s\n", static_cast<int>(stored.error().kind),
                  qPrintable(stored.error().reason));
      std::fflush(stdout);
      return stored.error().kind == HistoryErrorKind::kCannotWrite ? 2 : 1;
    }
    std::printf("stored %lld\n", i + 1);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc < 3) {
    return 64;
  }
  const QString mode = QString::fromLocal8Bit(argv[1]);
  HistoryStore history(QString::fromLocal8Bit(argv[2]));
  if (mode == QStringLiteral("store") && argc == 4) {
    return store(history, QString::fromLocal8Bit(argv[3]).toLongLong());
  }
  if (mode == QStringLiteral("loop")) {
    return store(history, std::numeric_limits<long long>::max());
  }
  if (mode == QStringLiteral("fill") && argc == 4) {
    // The write past the limit fails with EFBIG instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{QString::fromLocal8Bit(argv[3]).toULongLong(),
                       QString::fromLocal8Bit(argv[3]).toULongLong()};
    setrlimit(RLIMIT_FSIZE, &limit);
    return store(history, std::numeric_limits<long long>::max()) == 2 ? 0 : 1;
  }
  return 64;
}
