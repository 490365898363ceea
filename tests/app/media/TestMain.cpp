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
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
