#include "media/QAudioSinkOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QMediaDevices>
#include <QTimer>

#include "media/SoundLibrary.h"
#include "media/SoundStream.h"

namespace pimra::media {

namespace {

constexpr std::array<MoveSound, 3> kSounds{MoveSound::Select, MoveSound::Take, MoveSound::Put};

std::size_t slot(MoveSound sound) {
    return static_cast<std::size_t>(sound);
}

PcmSound loadSound(MoveSound sound) {
    QFile file(soundPath(soundName(sound)));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString error;
    return decodeWave(file.readAll(), error);
}

// The sounds' own format when the device takes it, so that nothing is converted twice;
// otherwise the device's preferred rate and channels with 16-bit samples.
QAudioFormat chooseFormat(const QAudioDevice& device, int sampleRate) {
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(format)) return format;
    format = device.preferredFormat();
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(format)) return format;
    return {};
}

}  // namespace

QAudioSinkOutput::QAudioSinkOutput() : context_(new QObject), opened_(openedPromise_.get_future()) {
    for (MoveSound s : kSounds) sounds_[slot(s)] = loadSound(s);
    thread_.setObjectName(QStringLiteral("move sounds"));
    context_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(
        context_, [this] { openInThread(); }, Qt::QueuedConnection);
}

QAudioSinkOutput::~QAudioSinkOutput() {
    QMetaObject::invokeMethod(
        context_, [this] { closeInThread(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

const PcmSound& QAudioSinkOutput::sound(MoveSound sound) const {
    return sounds_[slot(sound)];
}

void QAudioSinkOutput::start(MoveSound sound) {
    const std::lock_guard lock(mutex_);
    if (stream_ != nullptr) stream_->play(streamSounds_[slot(sound)]);
}

void QAudioSinkOutput::openInThread() {
    const int rate = sounds_[slot(MoveSound::Select)].sampleRate;
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    const QAudioFormat format =
        output.isNull() || rate == 0 ? QAudioFormat{} : chooseFormat(output, rate);
    if (!format.isValid()) {
        openedPromise_.set_value(false);
        return;
    }
    auto* stream = new SoundStream(format.channelCount(), context_);
    sink_ = new QAudioSink(output, format, context_);
    sink_->setBufferSize(format.bytesForDuration(kBufferMilliseconds * 1000));
    // Written from here rather than pulled by the sink, so that the buffer is topped up every
    // few milliseconds and never runs dry in the middle of a sound.
    QIODevice* device = sink_->start();
    if (device != nullptr) {
        auto* feeder = new QTimer(context_);
        feeder->setTimerType(Qt::PreciseTimer);
        QObject::connect(feeder, &QTimer::timeout, context_,
                         [this, stream, device] { feed(*stream, *device); });
        feeder->start(kFeedMilliseconds);
    }
    const bool playing = device != nullptr && sink_->error() == QAudio::NoError;
    if (playing) {
        const std::lock_guard lock(mutex_);
        for (MoveSound s : kSounds) {
            streamSounds_[slot(s)] = std::make_shared<const std::vector<std::int16_t>>(
                convertPcm(sounds_[slot(s)], format.sampleRate(), format.channelCount()).samples);
        }
        stream_ = stream;
    }
    openedPromise_.set_value(playing);
}

void QAudioSinkOutput::feed(SoundStream& stream, QIODevice& device) {
    // What the output did not take last time goes first: a sample read is never dropped.
    if (unwritten_.isEmpty()) {
        const qsizetype free = sink_->bytesFree();
        if (free <= 0) return;
        unwritten_.resize(free);
        const qint64 size = stream.read(unwritten_.data(), free);
        unwritten_.resize(std::max<qint64>(size, 0));
    }
    const qint64 written = device.write(unwritten_);
    if (written > 0) unwritten_.remove(0, written);
}

void QAudioSinkOutput::closeInThread() {
    {
        const std::lock_guard lock(mutex_);
        stream_ = nullptr;
    }
    if (sink_ != nullptr) sink_->stop();
    delete context_;  // with the sink and the stream
    context_ = nullptr;
    sink_ = nullptr;
}

}  // namespace pimra::media
