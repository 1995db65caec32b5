#include "export/sound_file.h"

#include <sndfile.h>

#include <memory>
#include <optional>
#include <vector>

#include "playback/audio_sink_output.h"
#include "playback/play.h"
#include "playback/sample_writer_output.h"

namespace quavern::exporting {
namespace {

using songfile::AtomicFile;
using songfile::Done;
using songfile::Result;

int libsndfileFormat(Format format) {
  switch (format) {
    case Format::kFlac:
      return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case Format::kOgg:
      return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case Format::kMp3:
      return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    default:
      return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  }
}

SF_INFO soundFileInfo(Format format) {
  SF_INFO info{};
  info.samplerate = playback::AudioSinkOutput::kSampleRate;
  info.channels = kSoundFileChannels;
  info.format = libsndfileFormat(format);
  return info;
}

// libsndfile hands over a few kilobytes at a time; the kernel takes the same bytes in a
// third of the processor time when they come in writes of a few hundred kilobytes. Bytes
// are gathered here and written in order before any seek, so the file ends the same.
class GatheringWriter {
 public:
  static constexpr std::size_t kGatherBytes = 256 * 1024;

  explicit GatheringWriter(AtomicFile& file) : file_(file) { pending_.reserve(kGatherBytes); }

  bool write(std::span<const char> bytes) {
    if (pending_.size() + bytes.size() > kGatherBytes && !flush()) {
      return false;
    }
    if (bytes.size() >= kGatherBytes) {
      return file_.write(bytes);
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool seek(std::int64_t offset) { return flush() && file_.seek(offset); }
  std::int64_t position() const {
    return file_.position() + static_cast<std::int64_t>(pending_.size());
  }
  std::int64_t size() { return flush() ? file_.size() : -1; }
  bool flush() {
    const bool written = file_.write(pending_);
    pending_.clear();
    return written;
  }

 private:
  AtomicFile& file_;
  std::vector<char> pending_;
};

// libsndfile's file operations, carried out on the atomic file.
GatheringWriter& writerOf(void* userData) {
  return *static_cast<GatheringWriter*>(userData);
}

sf_count_t fileLength(void* userData) {
  return writerOf(userData).size();
}

sf_count_t seekFile(sf_count_t offset, int whence, void* userData) {
  GatheringWriter& writer = writerOf(userData);
  const sf_count_t origin = whence == SEEK_CUR   ? writer.position()
                            : whence == SEEK_END ? writer.size()
                                                 : 0;
  return writer.seek(origin + offset) ? writer.position() : -1;
}

// The file is opened for writing only; no encoder used here reads back what it wrote.
sf_count_t readFile(void*, sf_count_t, void*) {
  return 0;
}

sf_count_t writeFile(const void* bytes, sf_count_t count, void* userData) {
  const std::span data(static_cast<const char*>(bytes), static_cast<std::size_t>(count));
  return writerOf(userData).write(data) ? count : 0;
}

sf_count_t tellFile(void* userData) {
  return writerOf(userData).position();
}

SF_VIRTUAL_IO fileIo() {
  return {fileLength, seekFile, readFile, writeFile, tellFile};
}

struct SoundFileCloser {
  void operator()(SNDFILE* sound) const { sf_close(sound); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// A failure of the file itself says more than the encoder's account of it.
ExportError failureOf(const AtomicFile& file, const char* encoderReason) {
  if (file.failure()) {
    return *file.failure();
  }
  return EncoderError{encoderReason};
}

struct Rendered {
  bool finished = false;
  std::optional<playback::SoundFontFailure> soundFontFailure;
};

Rendered renderPlay(const SongExport& song, const playback::SampleWriter& writer) {
  playback::SampleWriterOutput output(playback::AudioSinkOutput::kSampleRate, writer);
  playback::PlayState state;
  state.loop = song.loop;
  const playback::ChordsUnder chords =
      song.withChords ? playback::ChordsUnder(song.chords) : std::nullopt;
  const auto outcome =
      playback::play(song.notes, song.tempoIndex, state, output, {}, chords, song.sounds);
  return {outcome == playback::PlayOutcome::Finished, output.soundFontFailure()};
}

}  // namespace

bool canEncode(Format format) {
  SF_INFO info = soundFileInfo(format);
  return sf_format_check(&info) == SF_TRUE;
}

Result<Done, ExportError> writeSoundFile(const SongExport& song, Format format, AtomicFile& file) {
  SF_VIRTUAL_IO io = fileIo();
  SF_INFO info = soundFileInfo(format);
  GatheringWriter writer(file);
  SoundFile sound(sf_open_virtual(&io, SFM_WRITE, &info, &writer));
  if (!sound) {
    return failureOf(file, sf_strerror(nullptr));
  }
  const Rendered rendered = renderPlay(song, [&sound](std::span<const std::int16_t> samples) {
    const auto count = static_cast<sf_count_t>(samples.size());
    return sf_write_short(sound.get(), samples.data(), count) == count;
  });
  if (!rendered.finished) {
    return failureOf(file, sf_strerror(sound.get()));
  }
  // The SoundFont is loaded only once the play starts; a file in steady tones is not what
  // was asked for, so it is dropped.
  if (rendered.soundFontFailure) {
    return ExportError{*rendered.soundFontFailure};
  }
  // Closing writes what the encoder still holds and completes the header.
  const int closed = sf_close(sound.release());
  if (closed != SF_ERR_NO_ERROR || !writer.flush()) {
    return failureOf(file, sf_error_number(closed));
  }
  return Done{};
}

}  // namespace quavern::exporting
