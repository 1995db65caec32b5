#include "history/history_messages.h"

namespace quavern::history {

QString historyProblemText(const HistoryError& error) {
  const QString what = error.kind == HistoryErrorKind::kCannotExport
                           ? QStringLiteral("History is not exported")
                           : QStringLiteral("History is not kept");
  return QStringLiteral("%1: %2: %3").arg(what, error.file, error.reason);
}

}  // namespace quavern::history
