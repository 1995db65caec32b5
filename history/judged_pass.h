#pragma once

#include <QDateTime>

#include "history/pass_record.h"
#include "practice/judge_settings.h"
#include "practice/practice_run.h"

namespace quavern::history {

// What the history keeps of a pass the practice judged: its counts, and every
// note that names one with its verdict, the pitch class heard as the player
// writes it, and its timing. Rests are left out.
PassRecord judgedPassRecord(const practice::FinishedPass& pass, const SongKey& song,
                            Passage passage, const practice::JudgeSettings& settings,
                            const QDateTime& finishedAt);

// The instrument's name as the history and the practice window spell it.
std::u16string transpositionName(practice::Transposition transposition);

}  // namespace quavern::history
