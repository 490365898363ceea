// The move sound switch, and playback through Qt without an audio device.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <vector>

#include "media/QSoundEffectOutput.h"
#include "media/QtMoveSounds.h"

namespace pimra::media {
namespace {

class RecordingOutput : public SoundOutput {
  public:
    explicit RecordingOutput(std::vector<MoveSound>& log) : log_(log) {}
    void start(MoveSound sound) override { log_.push_back(sound); }

  private:
    std::vector<MoveSound>& log_;
};

TEST(QtMoveSounds, PlaysOnlyWhileSoundIsOn) {
    std::vector<MoveSound> heard;
    QtMoveSounds sounds(std::make_unique<RecordingOutput>(heard));
    EXPECT_TRUE(sounds.soundOn()) << "on at a fresh start";

    sounds.play(MoveSound::Take);
    sounds.play(MoveSound::Select);
    sounds.play(MoveSound::Put);
    EXPECT_EQ(heard, (std::vector{MoveSound::Take, MoveSound::Select, MoveSound::Put}));

    sounds.setSoundOn(false);
    sounds.play(MoveSound::Take);
    sounds.play(MoveSound::Select);
    EXPECT_EQ(heard.size(), 3u);

    // Switched on again, the very next sound is heard.
    sounds.setSoundOn(true);
    sounds.play(MoveSound::Select);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard.back(), MoveSound::Select);
}

TEST(QtMoveSounds, WorksThroughTheWindowsInterface) {
    std::vector<MoveSound> heard;
    QtMoveSounds sounds(std::make_unique<RecordingOutput>(heard));
    MoveSounds& window = sounds;
    window.play(MoveSound::Put);
    EXPECT_EQ(heard, std::vector{MoveSound::Put});
}

bool waitForLoading(const QSoundEffectOutput& output) {
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        bool loading = false;
        for (MoveSound s : {MoveSound::Select, MoveSound::Take, MoveSound::Put}) {
            const auto status = output.status(s);
            loading = loading || status == QSoundEffect::Null || status == QSoundEffect::Loading;
        }
        if (!loading) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return false;
}

// This machine has no sound card; the embedded images must still decode, and starting and
// cutting off sounds must neither block nor crash.
TEST(QSoundEffectOutput, DecodesEverySoundAndStartsThemWithoutWaiting) {
    QSoundEffectOutput output;
    ASSERT_TRUE(waitForLoading(output));
    for (MoveSound s : {MoveSound::Select, MoveSound::Take, MoveSound::Put}) {
        EXPECT_EQ(output.status(s), QSoundEffect::Ready) << static_cast<int>(s);
    }

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 30; ++i) {
        output.start(MoveSound::Take);
        output.start(MoveSound::Select);
        output.start(MoveSound::Put);
    }
    EXPECT_LT(clock.elapsed(), 1000);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
}

TEST(QSoundEffectOutput, StartsAtOnceEvenBeforeTheSoundsAreLoaded) {
    QElapsedTimer clock;
    clock.start();
    QtMoveSounds sounds;
    sounds.play(MoveSound::Put);
    sounds.play(MoveSound::Select);
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace
}  // namespace pimra::media
