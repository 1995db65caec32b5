#include "history/passes_csv.h"

#include <string_view>

namespace quavern::history {
namespace {

constexpr std::string_view kHeader =
    "Date,Tempo (BPM),From bar,To bar,Instrument,Notes right,Notes judged,On time,Result";

std::string isoUtc(const QDateTime& time) {
  return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")).toStdString();
}

std::string resultCounts(const PassCounts& counts) {
  return std::to_string(counts.notesRight) + " of " + std::to_string(counts.notesJudged) +
         " notes right, " + std::to_string(counts.onTime) + " of " +
         std::to_string(counts.notesRight) + " on time";
}

std::string utf8(const std::u16string& text) {
  return QString::fromStdU16String(text).toStdString();
}

}  // namespace

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    return std::string(text);
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return quoted + '"';
}

std::string passesCsv(std::span<const PassSummary> passes) {
  std::string csv(kHeader);
  csv += "\r\n";
  for (const auto& pass : passes) {
    const std::string fields[] = {
        isoUtc(pass.finishedAt),
        std::to_string(pass.bpm),
        std::to_string(pass.passage.fromBar),
        std::to_string(pass.passage.toBar),
        utf8(pass.instrument),
        std::to_string(pass.counts.notesRight),
        std::to_string(pass.counts.notesJudged),
        std::to_string(pass.counts.onTime),
        resultCounts(pass.counts),
    };
    bool first = true;
    for (const auto& field : fields) {
      if (!first) {
        csv += ',';
      }
      csv += csvField(field);
      first = false;
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace quavern::history
