#pragma once

#include <QIODevice>
#include <QMutex>
#include <cstdint>
#include <memory>
#include <vector>

namespace pimra::media {

// An endless stream of 16-bit samples for an audio output that pulls: the rest of the sound
// last started, then silence. Starting a sound replaces whatever is left of the one before, so
// the output never stops and never waits for a new stream. `play` may be called from another
// thread than the one the output reads on.
class SoundStream : public QIODevice {
    Q_OBJECT
  public:
    // Open for reading once made.
    explicit SoundStream(int channels, QObject* parent = nullptr);

    // The samples are shared, not copied; an empty pointer plays silence.
    void play(std::shared_ptr<const std::vector<std::int16_t>> samples);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    const int frameBytes_;
    mutable QMutex mutex_;
    std::shared_ptr<const std::vector<std::int16_t>> current_;
    std::size_t next_ = 0;  // index of the next sample of `current_`
};

}  // namespace pimra::media
