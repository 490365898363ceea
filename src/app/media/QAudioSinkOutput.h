#pragma once

#include <QByteArray>
#include <QThread>
#include <array>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "media/SoundOutput.h"
#include "media/WaveImage.h"

class QAudioSink;
class QIODevice;
class QObject;

namespace pimra::media {

class SoundStream;

// Plays the embedded WAVE images through one audio output that stays open for the whole run.
// The output lives on a thread of its own, so a busy window (a long computer move, painting)
// never starves it; a new sound replaces the rest of the one playing in the same stream, so it
// is heard as soon as the output's short buffer has played. Without an audio device, or when
// the device refuses the format, the sounds stay silent and nothing waits.
class QAudioSinkOutput : public SoundOutput {
  public:
    // The stream's buffer: what a new sound waits behind at most.
    static constexpr int kBufferMilliseconds = 30;
    // How often the buffer is topped up.
    static constexpr int kFeedMilliseconds = 5;

    QAudioSinkOutput();
    ~QAudioSinkOutput() override;

    void start(MoveSound sound) override;

    // True once the output plays, false when it stays silent; set shortly after construction.
    std::shared_future<bool> opened() const { return opened_; }
    // The decoded samples of a sound as they were embedded; empty when it could not be read.
    const PcmSound& sound(MoveSound sound) const;

  private:
    void openInThread();
    void feed(SoundStream& stream, QIODevice& device);
    void closeInThread();

    std::array<PcmSound, 3> sounds_;
    QThread thread_;
    QObject* context_;  // lives on `thread_`, parent of the sink and the stream
    QAudioSink* sink_ = nullptr;
    QByteArray unwritten_;  // read from the stream, not yet taken by the sink
    std::promise<bool> openedPromise_;
    std::shared_future<bool> opened_;

    std::mutex mutex_;  // guards what `start` reads
    SoundStream* stream_ = nullptr;
    std::array<std::shared_ptr<const std::vector<std::int16_t>>, 3> streamSounds_;
};

}  // namespace pimra::media
