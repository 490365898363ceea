#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
    // Test discovery runs the program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Anything that reaches for the user's configuration lands in a test location instead.
    QStandardPaths::setTestModeEnabled(true);
    // Tests never play through the user's speakers: the sound client finds no server unless a
    // test starts one of its own.
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        qputenv("PULSE_SERVER", "unix:/nonexistent/pimra-test-no-sound-server");
    }
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
