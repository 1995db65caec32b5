#pragma once

#include <QString>

#include "history/history_error.h"

namespace quavern::history {

// "History is not kept: <file>: <reason>", the status line's text for any history error.
QString historyProblemText(const HistoryError& error);

}  // namespace quavern::history
