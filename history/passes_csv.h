#pragma once

#include <span>
#include <string>

#include "history/pass_record.h"

namespace quavern::history {

// A song's passes as CSV (RFC 4180: fields quoted where they hold a comma, a quote or a
// line break, quotes doubled, every record ended by CR LF), UTF-8, a header record first:
//   Date,Tempo (BPM),From bar,To bar,Instrument,Notes right,Notes judged,On time,Result
// Date is the pass's end in UTC, ISO 8601 ("2026-12-08T10:14:05Z"); Result is the results
// line's counts, "N of M notes right, K of N on time".
std::string passesCsv(std::span<const PassSummary> passes);

// One field as RFC 4180 writes it.
std::string csvField(std::string_view text);

}  // namespace quavern::history
