// Measures exports of the longest play the window can make: loop 10 at "60", 4 + 640 tones
// of 1000 ms, 644 s of sound. The sound is streamed to the file, so its peak resident
// memory should not grow with its length; the notes formats take milliseconds.
//
// Counters: "realtime_x" is seconds of sound (or of music) per second of processor time;
// "peak_rss_MB" is the process's peak resident memory while the benchmark ran, measured
// from a reset of the kernel's high-water mark where the kernel allows it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "export/song_export.h"
#include "music/chords.h"
#include "playback/play.h"
#include "playback/sample_writer_output.h"
#include "playback/sound_font.h"

namespace quavern::exporting {
namespace {

constexpr double kLongestPlaySeconds = 644.0;

SongExport longestPlay() {
  SongExport song;
  const std::u16string bars[] = {u"c-e-g-bb", u"ebgbbbdb", u"f#a-C-e-", u"g-bbd-f-"};
  for (std::size_t bar = 0; bar < song.notes.size(); ++bar) {
    song.notes[bar] = bars[bar % 4];
    song.chords[bar] = static_cast<int>(bar) % music::kChordCount;
  }
  song.tempoIndex = 0;  // "60": 1000 ms a note
  song.loop = 10;
  return song;
}

// Starts a new peak at the current resident size (Linux: "5" resets VmHWM).
void resetPeakResidentMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

double peakResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) {
      return std::strtod(line.c_str() + 6, nullptr) / 1024.0;  // kB
    }
  }
  return 0.0;
}

// Piano melody over piano chords, from the installed General MIDI SoundFont.
playback::StreamSounds pianos() {
  const playback::SoundAvailability found = playback::findSoundFont(playback::soundFontPlaces());
  return {playback::Sound::kAcousticGrandPiano, playback::Sound::kAcousticGrandPiano,
          found.soundFont};
}

void exportLongestPlay(benchmark::State& state, Format format, const char* extension,
                       bool withChords = false, const playback::StreamSounds& sounds = {}) {
  SongExport song = longestPlay();
  song.withChords = withChords;
  song.sounds = sounds;
  if (sounds.melody != playback::Sound::kSteadyTone && sounds.soundFont.empty()) {
    state.SkipWithError("no General MIDI SoundFont: install fluid-soundfont-gm");
    return;
  }
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / (std::string("quavern-export-bench") + extension);
  const std::u16string name = file.u16string();
  resetPeakResidentMemory();
  for (auto _ : state) {
    if (!exportSong(song, format, name)) {
      state.SkipWithError("the export failed");
      break;
    }
  }
  state.counters["realtime_x"] =
      benchmark::Counter(kLongestPlaySeconds * static_cast<double>(state.iterations()));
  state.counters["realtime_x"].flags = benchmark::Counter::kIsRate;
  state.counters["peak_rss_MB"] = peakResidentMegabytes();
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::filesystem::remove(file);
}

void BM_WavLoop10At60(benchmark::State& state) {
  exportLongestPlay(state, Format::kWav, ".wav");
}
// With each bar's chord under the melody: four more sines a sample.
void BM_WavWithChordsLoop10At60(benchmark::State& state) {
  exportLongestPlay(state, Format::kWav, ".wav", true);
}
// Every export starts from nothing: the SoundFont is loaded and each distinct note is
// rendered by FluidSynth once, then reused wherever it sounds again.
void BM_WavPianosLoop10At60(benchmark::State& state) {
  exportLongestPlay(state, Format::kWav, ".wav", true, pianos());
}

// What a play of the same song costs the processor, without the sound device: the
// rendering that the sound device's output does, as a share of one core over the 644 s.
void BM_PlayPianosLoop10At60(benchmark::State& state) {
  const SongExport song = longestPlay();
  const playback::StreamSounds sounds = pianos();
  std::int64_t samples = 0;
  resetPeakResidentMemory();
  const std::clock_t started = std::clock();
  for (auto _ : state) {
    playback::SampleWriterOutput output(48000, [&samples](std::span<const std::int16_t> chunk) {
      samples += std::ssize(chunk);
      return true;
    });
    playback::PlayState play;
    play.loop = song.loop;
    playback::play(song.notes, song.tempoIndex, play, output, {}, song.chords, sounds);
  }
  const double cpuSeconds = static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
  state.counters["core_share_percent"] =
      100.0 * cpuSeconds / static_cast<double>(state.iterations()) / kLongestPlaySeconds;
  state.counters["peak_rss_MB"] = peakResidentMegabytes();
  benchmark::DoNotOptimize(samples);
}

void BM_FlacLoop10At60(benchmark::State& state) {
  exportLongestPlay(state, Format::kFlac, ".flac");
}
void BM_MidiLoop10At60(benchmark::State& state) {
  exportLongestPlay(state, Format::kMidi, ".mid");
}
void BM_MusicXmlLoop10At60(benchmark::State& state) {
  exportLongestPlay(state, Format::kMusicXml, ".musicxml");
}

// Processor time of the whole process, so the kernel's share of writing the file counts too.
BENCHMARK(BM_WavLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_WavWithChordsLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_WavPianosLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_PlayPianosLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FlacLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MidiLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MusicXmlLoop10At60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace quavern::exporting

BENCHMARK_MAIN();
