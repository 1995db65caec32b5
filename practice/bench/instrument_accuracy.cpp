// How well the pass judge hears real sampled instruments: renders melodies
// with FluidSynth and the General MIDI SoundFont, with human timing and right,
// octave-off, wrong and missed notes, clean and in a room (sox's reverb) with
// hiss, and counts the notes judged as they were played and the error of each
// right note's onset.
//
//   quavern_instrument_accuracy [soundfont.sf2] [notes per instrument]
//
// QUAVERN_ACCURACY_ONLY=<instrument> runs one instrument;
// QUAVERN_ACCURACY_SEED=<n> composes other melodies than the usual (17), to
// check figures tuned on those against notes never seen; with
// QUAVERN_ACCURACY_TRACE set, every note judged otherwise than played is shown
// with the levels and pitches around it.
//
// Some of the SoundFont's samples are out of tune by themselves (its choir by
// tens of cents): each key is first rendered alone and measured, and every
// note of the melodies is bent back into tune by that much, so the figures
// count the judge's errors and not the SoundFont's.
#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "practice/audio_analyser.h"
#include "practice/pass_judge.h"
#include "practice/pitch_class.h"
#include "practice/testing/pass_helpers.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

constexpr int kRate = kPerformanceRate;
constexpr std::int64_t kSlotMs = 600;  // 100 BPM
constexpr std::int64_t kLeadInMs = 1000;
constexpr double kJitterMs = 30.0;
constexpr std::int64_t kRearticulationMs = 60;  // gap before a repeated note
constexpr double kPeak = 0.5;                   // the take's loudest sample
constexpr double kHissSnrDb = 30.0;             // hiss below the notes in the room

struct Instrument {
  const char* name;
  int program;  // General MIDI, from 0
  int lowKey;   // its register, MIDI keys
  int highKey;
};

// Registers as the instruments are played; the bass reaches its low E1 and the
// flute and violin their C7.
const Instrument kInstruments[] = {
    {"piano", 0, 48, 84},       {"nylon guitar", 24, 40, 76}, {"finger bass", 33, 28, 55},
    {"violin", 40, 55, 96},     {"flute", 73, 60, 96},        {"clarinet", 71, 50, 84},
    {"alto sax", 65, 49, 80},   {"trumpet", 56, 52, 82},      {"choir aahs", 52, 48, 79},
    {"voice oohs", 53, 55, 81},
};

enum class Played { Right, OctaveOff, Wrong, Missed };

struct Note {
  int writtenKey = 0;
  int playedKey = 0;
  Played played = Played::Right;
  double offsetMs = 0.0;  // onset minus slot start
  bool legato = false;    // held to the next note's onset
};

struct Melody {
  std::vector<Note> notes;
};

// Right notes mostly, a repeated note now and then, some octave-off, wrong
// and missed, and a few right ones clearly late or early.
Melody composeMelody(const Instrument& instrument, const std::map<int, double>& playable, int count,
                     std::mt19937& random) {
  std::uniform_int_distribution<int> key(instrument.lowKey, instrument.highKey);
  const auto sounds = [&](int k) { return playable.contains(k); };
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_real_distribution<double> jitter(-kJitterMs, kJitterMs);
  std::uniform_int_distribution<int> step(1, 5);
  Melody melody;
  for (int k = 0; k < count; ++k) {
    Note note;
    note.writtenKey = (k > 0 && unit(random) < 0.2) ? melody.notes.back().writtenKey : key(random);
    while (!sounds(note.writtenKey)) {
      note.writtenKey = key(random);
    }
    note.playedKey = note.writtenKey;
    note.offsetMs = jitter(random);
    note.legato = unit(random) < 0.3;
    const double kind = unit(random);
    if (kind < 0.1) {
      note.played = Played::OctaveOff;
      note.playedKey += sounds(note.writtenKey + 12) ? 12 : -12;
    } else if (kind < 0.25) {
      note.played = Played::Wrong;
      const int by = step(random);
      note.playedKey += sounds(note.writtenKey + by) ? by : -by;
    } else if (kind < 0.4) {
      note.played = Played::Missed;
    } else if (kind < 0.45) {
      note.offsetMs = 130.0;
    } else if (kind < 0.5) {
      note.offsetMs = -120.0;
    }
    if (!sounds(note.playedKey)) {
      note.playedKey = note.writtenKey;
      note.played = Played::Right;
    }
    melody.notes.push_back(note);
  }
  return melody;
}

class Renderer {
 public:
  Renderer(const std::string& soundFont) {
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    fluid_settings_setint(settings_, "synth.reverb.active", 0);
    fluid_settings_setint(settings_, "synth.chorus.active", 0);
    synth_ = new_fluid_synth(settings_);
    font_ = fluid_synth_sfload(synth_, soundFont.c_str(), 1);
  }
  ~Renderer() {
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  bool loaded() const { return font_ != FLUID_FAILED; }

  struct Event {
    std::int64_t sample;
    int channel;
    int key;  // -1: the channel's note off
    double bendCents;
  };

  // Renders the events (sorted by sample) on two channels of one program,
  // mono, `length` samples.
  std::vector<double> render(int program, std::vector<Event> events, std::int64_t length) {
    fluid_synth_system_reset(synth_);
    for (int channel = 0; channel < 2; ++channel) {
      fluid_synth_program_change(synth_, channel, program);
    }
    std::ranges::sort(events, {}, &Event::sample);
    std::vector<double> out(static_cast<std::size_t>(length));
    std::vector<float> left(static_cast<std::size_t>(length)), right(left.size());
    std::int64_t at = 0;
    std::map<int, int> sounding;  // channel -> key
    const auto renderTo = [&](std::int64_t to) {
      if (to > at) {
        fluid_synth_write_float(synth_, static_cast<int>(to - at), left.data(),
                                static_cast<int>(at), 1, right.data(), static_cast<int>(at), 1);
        at = to;
      }
    };
    for (const Event& event : events) {
      renderTo(std::min(event.sample, length));
      if (event.key < 0) {
        if (sounding.contains(event.channel)) {
          fluid_synth_noteoff(synth_, event.channel, sounding[event.channel]);
          sounding.erase(event.channel);
        }
        continue;
      }
      const int bend = 8192 + static_cast<int>(std::lround(event.bendCents / 200.0 * 8192.0));
      fluid_synth_pitch_bend(synth_, event.channel, std::clamp(bend, 0, 16383));
      fluid_synth_noteon(synth_, event.channel, event.key, 100);
      sounding[event.channel] = event.key;
    }
    renderTo(length);
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = 0.5 * (left[i] + right[i]);
    }
    return out;
  }

 private:
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  int font_ = FLUID_FAILED;
};

void normalise(std::vector<double>& signal, double peak) {
  double loudest = 0.0;
  for (const double value : signal) {
    loudest = std::max(loudest, std::abs(value));
  }
  if (loudest > 0.0) {
    for (double& value : signal) {
      value *= peak / loudest;
    }
  }
}

// Cents by which a key rendered alone sounds off its equal-tempered pitch, or
// nothing when the preset has no steady pitch for that key.
std::optional<double> measuredDetune(Renderer& renderer, int program, int key) {
  const std::int64_t length = kRate * 3 / 2;
  std::vector<double> tone =
      renderer.render(program, {{kRate / 10, 0, key, 0.0}, {kRate * 11 / 10, 0, -1, 0.0}}, length);
  normalise(tone, kPeak);
  const std::vector<std::int16_t> samples = testing::toSamples(tone);
  const Performance performance = testing::analyse(samples);
  std::vector<double> cents;
  for (const PitchFrame& frame : performance.frames) {
    if (frame.hz && frame.sample > kRate * 3 / 10 && frame.sample < kRate) {
      cents.push_back(centsFromPitchClass(*frame.hz, key % kPitchClassCount));
    }
  }
  if (cents.size() < 40) {
    return std::nullopt;
  }
  std::ranges::nth_element(cents, cents.begin() + static_cast<std::ptrdiff_t>(cents.size() / 2));
  return cents[cents.size() / 2];
}

std::int64_t slotStartSample(std::size_t k) {
  return music::sampleAtMs(kLeadInMs + static_cast<std::int64_t>(k) * kSlotMs, kRate);
}

std::vector<Renderer::Event> eventsOf(const Melody& melody, const std::map<int, double>& detune) {
  std::vector<Renderer::Event> events;
  const auto& notes = melody.notes;
  for (std::size_t k = 0; k < notes.size(); ++k) {
    if (notes[k].played == Played::Missed) {
      continue;
    }
    const int channel = static_cast<int>(k % 2);
    const auto on =
        slotStartSample(k) + static_cast<std::int64_t>(notes[k].offsetMs * kRate / 1000);
    std::int64_t off = slotStartSample(k) + kSlotMs * kRate / 1000 * 8 / 10;
    if (k + 1 < notes.size() && notes[k + 1].played != Played::Missed) {
      const std::int64_t nextOn =
          slotStartSample(k + 1) + static_cast<std::int64_t>(notes[k + 1].offsetMs * kRate / 1000);
      if (notes[k].legato) {
        off = nextOn;
      }
      // Nobody slurs a note into itself: a repeated note is tongued, bowed or
      // sung again, the first one let go a moment before.
      if (notes[k + 1].playedKey == notes[k].playedKey) {
        off = std::min(off, nextOn - kRearticulationMs * kRate / 1000);
      }
    }
    events.push_back({on, channel, notes[k].playedKey, -detune.at(notes[k].playedKey)});
    events.push_back({std::max(off, on + kRate / 20), channel, -1, 0.0});
  }
  return events;
}

bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples) {
  std::ofstream file(path, std::ios::binary);
  const auto put32 = [&](std::uint32_t v) { file.write(reinterpret_cast<const char*>(&v), 4); };
  const auto put16 = [&](std::uint16_t v) { file.write(reinterpret_cast<const char*>(&v), 2); };
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  file.write("RIFF", 4);
  put32(36 + bytes);
  file.write("WAVEfmt ", 8);
  put32(16);
  put16(1);
  put16(1);
  put32(kRate);
  put32(kRate * 2);
  put16(2);
  put16(16);
  file.write("data", 4);
  put32(bytes);
  file.write(reinterpret_cast<const char*>(samples.data()), bytes);
  return static_cast<bool>(file);
}

std::vector<std::int16_t> readWav(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    std::uint32_t size = 0;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4), 4,
                reinterpret_cast<char*>(&size));
    if (std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + 4)) == "data") {
      std::vector<std::int16_t> samples(std::min<std::size_t>(size, bytes.size() - at - 8) / 2);
      std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), samples.size() * 2,
                  reinterpret_cast<char*>(samples.data()));
      return samples;
    }
    at += 8 + size + (size % 2);
  }
  return {};
}

// The room: sox's reverb (reverberance 60%, damping 50%, room scale 80%),
// then hiss kHissSnrDb below the notes.
std::vector<double> inRoom(const std::vector<double>& dry, std::uint32_t seed) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  // Named for this process: two runs side by side keep to their own files.
  const std::string tag = std::to_string(getpid());
  const std::string in = (folder / ("quavern-accuracy-dry-" + tag + ".wav")).string();
  const std::string out = (folder / ("quavern-accuracy-room-" + tag + ".wav")).string();
  writeWav(in, testing::toSamples(dry));
  // -R: sox's dither the same on every run, so runs compare note for note.
  const std::string command = "sox -q -R " + in + " " + out + " reverb 60 50 80 gain -n -6";
  if (std::system(command.c_str()) != 0) {
    return {};
  }
  const std::vector<std::int16_t> wet = readWav(out);
  std::vector<double> signal(wet.begin(), wet.end());
  for (double& value : signal) {
    value /= 32768.0;
  }
  normalise(signal, kPeak);
  testing::addNoise(signal, kHissSnrDb, seed);
  std::remove(in.c_str());
  std::remove(out.c_str());
  return signal;
}

struct Tally {
  int notes = 0;
  int asPlayed = 0;
  std::vector<double> onsetErrorsMs;  // judged minus played
  std::vector<std::string> failures;
};

const char* nameOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::Right:
      return "right";
    case Verdict::Wrong:
      return "wrong";
    case Verdict::Missed:
      return "missed";
    case Verdict::NotJudged:
      break;
  }
  return "not judged";
}

const char* nameOf(Timing timing) {
  switch (timing) {
    case Timing::OnTime:
      return "on time";
    case Timing::Late:
      return "late";
    case Timing::Early:
      return "early";
    case Timing::NotJudged:
      break;
  }
  return "-";
}

constexpr int kTracedHarmonics = 8;

// The level in dB (0 dB: a full-scale sine) at `hz` of the 30 ms before `end`,
// Hann-windowed.
int harmonicDb(const std::vector<std::int16_t>& input, std::int64_t end, double hz) {
  const std::int64_t length = kRate * 30 / 1000;
  const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
  double s1 = 0.0;
  double s2 = 0.0;
  for (std::int64_t i = 0; i < length; ++i) {
    const double hann =
        0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / length);
    const std::int64_t at = std::max<std::int64_t>(end - length + i, 0);
    const double s0 = hann * input[static_cast<std::size_t>(at)] / 32768.0 + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double amplitude = 4.0 * std::sqrt(s1 * s1 + s2 * s2 - coefficient * s1 * s2) / length;
  return static_cast<int>(std::lround(20.0 * std::log10(amplitude + 1e-6)));
}

// The 5 ms levels from 600 ms before `start` to 300 ms after, the levels of
// the first harmonics of `hz` (the key played, if any) around `start`, and
// the detector's frames, when QUAVERN_ACCURACY_TRACE is set.
std::string traceOf(const std::vector<std::int16_t>& input, const Performance& performance,
                    std::int64_t start, double hz) {
  std::string why;
  if (std::getenv("QUAVERN_ACCURACY_TRACE") != nullptr) {
    why += "\n      5 ms levels from -600 ms:";
    const std::int64_t block = kRate / 200;
    for (std::int64_t at = start - kRate * 3 / 5; at < start + kRate * 3 / 10; at += block) {
      if ((at - start) % (kRate / 10) == 0) {
        why += " |";
      }
      double energy = 0.0;
      for (std::int64_t i = at; i < at + block; ++i) {
        const double value = input[static_cast<std::size_t>(std::max<std::int64_t>(i, 0))];
        energy += value * value;
      }
      why += ' ';
      why += std::to_string(static_cast<int>(
          std::lround(10.0 * std::log10(energy / static_cast<double>(block) + 1e-3) - 90.3)));
    }
    for (int harmonic = 1; hz > 0.0 && harmonic <= kTracedHarmonics; ++harmonic) {
      why += "\n      h" + std::to_string(harmonic) + " from -200 ms:";
      for (std::int64_t end = start - kRate / 5; end < start + kRate / 5; end += block) {
        if ((end - start) % (kRate / 20) == 0) {
          why += " |";
        }
        why += ' ';
        why += std::to_string(harmonicDb(input, end, harmonic * hz));
      }
    }
    why += "\n      levels/pitch:";
    for (const PitchFrame& frame : performance.frames) {
      if (frame.sample >= start - kRate / 5 && frame.sample < start + kRate * 3 / 10 &&
          frame.sample % (2 * kFrameHopSamples) == 0) {
        char cell[40];
        std::snprintf(cell, sizeof cell, " %.0f/%.1f", frame.levelDbfs,
                      frame.hz ? semitonesOf(*frame.hz) : 0.0);
        why += cell;
      }
    }
  }
  return why;
}

void judgeMelody(const Melody& melody, const std::vector<double>& signal, Tally& tally) {
  std::vector<Slot> slots;
  for (std::size_t k = 0; k < melody.notes.size(); ++k) {
    const std::string_view name = flatSpelling(melody.notes[k].writtenKey % kPitchClassCount);
    Slot slot;
    slot.token.text = std::u16string(name.begin(), name.end());
    slot.bar = k / 4;
    slot.noteInBar = k % 4 + 1;
    slot.startSample = slotStartSample(k);
    slot.endSample = slotStartSample(k + 1);
    slots.push_back(slot);
  }
  const std::vector<std::int16_t> input = testing::toSamples(signal);
  Performance performance;
  const std::vector<SlotVerdict> verdicts =
      testing::judgeLive(slots, input, {}, 0, 480, &performance);
  for (std::size_t k = 0; k < verdicts.size(); ++k) {
    const Note& note = melody.notes[k];
    const SlotVerdict& verdict = verdicts[k];
    Verdict wanted = Verdict::Right;
    Timing timing = std::abs(note.offsetMs) <= 80 ? Timing::OnTime
                    : note.offsetMs > 0           ? Timing::Late
                                                  : Timing::Early;
    if (note.played == Played::Wrong) {
      wanted = Verdict::Wrong;
      timing = Timing::NotJudged;
    } else if (note.played == Played::Missed) {
      wanted = Verdict::Missed;
      timing = Timing::NotJudged;
    }
    bool good = verdict.verdict == wanted && verdict.timing == timing;
    if (wanted == Verdict::Wrong &&
        verdict.heardWrittenClass != note.playedKey % kPitchClassCount) {
      good = false;
    }
    if (verdict.verdict == Verdict::Right && verdict.onsetOffsetMs && wanted == Verdict::Right) {
      tally.onsetErrorsMs.push_back(static_cast<double>(*verdict.onsetOffsetMs) - note.offsetMs);
    }
    ++tally.notes;
    if (good) {
      ++tally.asPlayed;
      continue;
    }
    char line[200];
    std::snprintf(
        line, sizeof line,
        "note %zu: key %d played %d (%+.0f ms%s), wanted %s/%s, judged %s/%s%s%s", k,
        note.writtenKey, note.played == Played::Missed ? -1 : note.playedKey, note.offsetMs,
        note.legato ? ", legato" : "", nameOf(wanted), nameOf(timing), nameOf(verdict.verdict),
        nameOf(verdict.timing),
        verdict.heardWrittenClass
            ? (std::string(", heard ") + std::string(flatSpelling(*verdict.heardWrittenClass)))
                  .c_str()
            : "",
        verdict.onsetOffsetMs ? (" at " + std::to_string(*verdict.onsetOffsetMs) + " ms").c_str()
                              : "");
    std::string why = line;
    if (k > 0) {
      const Note& before = melody.notes[k - 1];
      why += before.played == Played::Missed ? "; after a rest"
             : before.playedKey == note.playedKey
                 ? "; repeats the last note"
                 : "; after key " + std::to_string(before.playedKey);
    }
    why += "; onsets at";
    const std::int64_t start = slotStartSample(k);
    for (const Onset& onset : performance.onsets) {
      if (std::abs(onset.sample - start) < kRate / 2) {
        // Two appends: GCC 12 warns wrongly of overlap on " " + std::string.
        why += ' ';
        why += std::to_string((onset.sample - start) * 1000 / kRate);
      }
    }
    why += traceOf(input, performance, slotStartSample(k),
                   note.played == Played::Missed ? 0.0 : testing::hzOf(note.playedKey));
    tally.failures.push_back(why);
  }
}

// The errors' sizes, late or early alike.
std::vector<double> sizes(std::vector<double> errors) {
  for (double& error : errors) {
    error = std::abs(error);
  }
  return errors;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) {
    return 0.0;
  }
  std::ranges::sort(values);
  const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

int run(const std::string& soundFont, int notesPerInstrument) {
  Renderer renderer(soundFont);
  if (!renderer.loaded()) {
    std::fprintf(stderr, "cannot load %s\n", soundFont.c_str());
    return 1;
  }
  Tally all;
  std::printf("%-13s %-6s %6s %9s %8s %8s\n", "instrument", "room", "notes", "as played", "onset50",
              "onset95");
  const char* only = std::getenv("QUAVERN_ACCURACY_ONLY");
  const char* seedText = std::getenv("QUAVERN_ACCURACY_SEED");
  const int seed = seedText != nullptr ? std::atoi(seedText) : 17;
  for (const Instrument& instrument : kInstruments) {
    if (only != nullptr && std::string(only) != instrument.name) {
      continue;
    }
    std::map<int, double> detune;
    double worstDetune = 0.0;
    int silentKeys = 0;
    for (int key = instrument.lowKey - 12; key <= instrument.highKey + 12; ++key) {
      if (const std::optional<double> cents = measuredDetune(renderer, instrument.program, key)) {
        detune[key] = *cents;
        if (key >= instrument.lowKey && key <= instrument.highKey) {
          worstDetune = std::max(worstDetune, std::abs(*cents));
        }
      } else if (key >= instrument.lowKey && key <= instrument.highKey) {
        ++silentKeys;
      }
    }
    if (silentKeys > 0) {
      std::printf("%-13s %d keys of its register have no steady pitch in the SoundFont\n",
                  instrument.name, silentKeys);
    }
    std::mt19937 random(static_cast<std::uint32_t>(seed + instrument.program));
    const Melody melody = composeMelody(instrument, detune, notesPerInstrument, random);
    const std::int64_t length =
        slotStartSample(melody.notes.size()) + kRate;  // a second's ring after the last slot
    std::vector<double> dry = renderer.render(instrument.program, eventsOf(melody, detune), length);
    normalise(dry, kPeak);
    Tally instrumentTally;
    for (const bool room : {false, true}) {
      Tally tally;
      const std::vector<double> signal =
          room ? inRoom(dry, static_cast<std::uint32_t>(instrument.program)) : dry;
      judgeMelody(melody, signal, tally);
      std::printf("%-13s %-6s %6d %8.1f%% %6.1fms %6.1fms\n", instrument.name,
                  room ? "reverb" : "clean", tally.notes, 100.0 * tally.asPlayed / tally.notes,
                  percentile(sizes(tally.onsetErrorsMs), 0.5),
                  percentile(sizes(tally.onsetErrorsMs), 0.95));
      std::printf("    onset judged minus played: 5%% %+.0f ms, median %+.0f ms, 95%% %+.0f ms\n",
                  percentile(tally.onsetErrorsMs, 0.05), percentile(tally.onsetErrorsMs, 0.5),
                  percentile(tally.onsetErrorsMs, 0.95));
      for (const std::string& failure : tally.failures) {
        std::printf("    %s\n", failure.c_str());
      }
      for (Tally* total : {&instrumentTally, &all}) {
        total->notes += tally.notes;
        total->asPlayed += tally.asPlayed;
        total->onsetErrorsMs.insert(total->onsetErrorsMs.end(), tally.onsetErrorsMs.begin(),
                                    tally.onsetErrorsMs.end());
      }
    }
    std::printf("%-13s both   %6d %8.1f%%   (samples up to %.0f cents off, bent into tune)\n",
                instrument.name, instrumentTally.notes,
                100.0 * instrumentTally.asPlayed / instrumentTally.notes, worstDetune);
  }
  std::printf("all           both   %6d %8.1f%% %6.1fms %6.1fms\n", all.notes,
              100.0 * all.asPlayed / all.notes, percentile(sizes(all.onsetErrorsMs), 0.5),
              percentile(sizes(all.onsetErrorsMs), 0.95));
  return 0;
}

}  // namespace
}  // namespace quavern::practice

int main(int argc, char** argv) {
  const std::string soundFont = argc > 1 ? argv[1] : "/usr/share/sounds/sf2/default-GM.sf2";
  const int notes = argc > 2 ? std::atoi(argv[2]) : 60;
  return quavern::practice::run(soundFont, notes);
}
