// The move sound switch, and playback through Qt without an audio server.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <future>
#include <optional>
#include <vector>

#include "media/QAudioSinkOutput.h"
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

// Waits for the output to open or give up; the bound only ends a test that hangs.
std::optional<bool> outcomeOf(const QAudioSinkOutput& output) {
    const auto opened = output.opened();
    if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) return {};
    return opened.get();
}

bool noSoundServer() {
    return qgetenv("PULSE_SERVER").startsWith("unix:/nonexistent/");
}

// The tests run without an audio server (the test main points the client at none); the
// embedded images must still decode, and starting and cutting off sounds must neither block
// nor crash.
TEST(QAudioSinkOutput, DecodesEverySoundAndStartsThemWithoutWaiting) {
    QAudioSinkOutput output;
    const std::pair<MoveSound, int> frames[] = {
        {MoveSound::Select, 990 / 2}, {MoveSound::Take, 8010 / 2}, {MoveSound::Put, 8838}};
    for (const auto& [sound, count] : frames) {
        EXPECT_EQ(output.sound(sound).sampleRate, 11025) << static_cast<int>(sound);
        EXPECT_EQ(output.sound(sound).channels, 1) << static_cast<int>(sound);
        EXPECT_EQ(output.sound(sound).frameCount(), count) << static_cast<int>(sound);
    }

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 30; ++i) {
        output.start(MoveSound::Take);
        output.start(MoveSound::Select);
        output.start(MoveSound::Put);
    }
    EXPECT_LT(clock.elapsed(), 1000);
    const auto outcome = outcomeOf(output);
    ASSERT_TRUE(outcome.has_value()) << "opening the output never finished";
    if (noSoundServer()) {
        EXPECT_FALSE(*outcome) << "no audio server, so the output stays silent";
    }
    output.start(MoveSound::Take);
}

TEST(QAudioSinkOutput, StartsAtOnceEvenBeforeTheSoundsAreLoaded) {
    QElapsedTimer clock;
    clock.start();
    QtMoveSounds sounds;
    sounds.play(MoveSound::Put);
    sounds.play(MoveSound::Select);
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace
}  // namespace pimra::media
