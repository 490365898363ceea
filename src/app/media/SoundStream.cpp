#include "media/SoundStream.h"

#include <QMutexLocker>
#include <algorithm>
#include <cstring>
#include <limits>

namespace pimra::media {

SoundStream::SoundStream(int channels, QObject* parent)
    : QIODevice(parent), frameBytes_(static_cast<int>(sizeof(std::int16_t)) * channels) {
    // Unbuffered: a read ahead into QIODevice's own buffer would hold back a new sound.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void SoundStream::play(std::shared_ptr<const std::vector<std::int16_t>> samples) {
    const QMutexLocker lock(&mutex_);
    current_ = std::move(samples);
    next_ = 0;
}

qint64 SoundStream::bytesAvailable() const {
    // Silence never runs out.
    return std::numeric_limits<int>::max() / 2 + QIODevice::bytesAvailable();
}

qint64 SoundStream::readData(char* data, qint64 maxSize) {
    // Whole frames only, so that channels never slip against each other.
    const qint64 size = maxSize - maxSize % frameBytes_;
    qint64 written = 0;
    {
        const QMutexLocker lock(&mutex_);
        if (current_ != nullptr && next_ < current_->size()) {
            const auto left = static_cast<qint64>(current_->size() - next_);
            const qint64 count = std::min<qint64>(left, size / 2);
            std::memcpy(data, current_->data() + next_, static_cast<std::size_t>(count) * 2);
            next_ += static_cast<std::size_t>(count);
            written = count * 2;
        }
    }
    std::memset(data + written, 0, static_cast<std::size_t>(size - written));
    return size;
}

}  // namespace pimra::media
