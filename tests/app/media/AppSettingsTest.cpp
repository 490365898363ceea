// Settings kept between runs: round trip and every way the file can be wrong.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "media/AppSettings.h"

namespace pimra::media {
namespace {

class AppSettingsTest : public testing::Test {
  protected:
    QString path(const QString& name = QStringLiteral("pimra.ini")) const {
        return dir_.filePath(name);
    }
    void write(const QByteArray& content) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir dir_;
};

TEST_F(AppSettingsTest, KeepsWhatWasSaved) {
    const Settings chosen{7, false, 0};
    ASSERT_TRUE(AppSettings(path()).save(chosen));
    EXPECT_EQ(AppSettings(path()).load(), chosen);

    const Settings changed{8, true, 4};
    ASSERT_TRUE(AppSettings(path()).save(changed));
    EXPECT_EQ(AppSettings(path()).load(), changed);
}

TEST_F(AppSettingsTest, StartsWithTheFreshStartValuesWithoutAFile) {
    const Settings loaded = AppSettings(path()).load();
    EXPECT_EQ(loaded.backgroundIndex, 1);
    EXPECT_TRUE(loaded.soundOn);
    EXPECT_EQ(loaded.level, 3);
    EXPECT_FALSE(QFile::exists(path())) << "reading creates no file";
}

TEST_F(AppSettingsTest, ReplacesEachInvalidValueByItsDefault) {
    struct Case {
        const char* content;
        Settings expected;
    };
    const Case cases[] = {
        {"[look]\nbackground=0\n[sound]\nmoveSounds=0\n[game]\nlevel=4\n", {1, false, 4}},
        {"[look]\nbackground=9\n[game]\nlevel=5\n", {1, true, 5}},
        {"[game]\nlevel=6\nmasterTimeMs=250\n", {1, true, 3, 250}},
        {"[game]\nmasterTimeMs=9\n", {1, true, 3, 1000}},
        {"[game]\nmasterTimeMs=60001\n", {1, true, 3, 1000}},
        {"[game]\nmasterTimeMs=fast\n", {1, true, 3, 1000}},
        {"[game]\nsearchThreads=4\n", {1, true, 3, 1000, true, 4}},
        // Each file differs in size from the one before: QSettings may keep a same-sized file of
        // the same second from its cache.
        {"[game]\nsearchThreads=100\n", {1, true, 3, 1000, true, 0}},
        {"[game]\nsearchThreads=-1\n", {1, true, 3, 1000, true, 0}},
        {"[look]\nbackground=abc\n[sound]\nmoveSounds=yes\n[game]\nlevel=-1\n", {1, true, 3}},
        {"[look]\nbackground=2.5\n[sound]\nmoveSounds=2\n[game]\nlevel=\n", {1, true, 3}},
        {"[look]\nbackground=99999999999999999999\n[game]\nlevel=1\n", {1, true, 1}},
        {"[look]\nbackground= 6 \n[sound]\nmoveSounds=0\n", {6, false, 3}},
        {"[other]\nbackground=5\n", {1, true, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        write(c.content);
        EXPECT_EQ(AppSettings(path()).load(), c.expected);
    }
}

TEST_F(AppSettingsTest, FallsBackToTheStartValuesForADamagedFile) {
    const Settings defaults;
    QByteArray garbage;
    for (int i = 0; i < 512; ++i) {
        garbage.append(static_cast<char>((i * 37 + 11) % 256));
    }
    for (const QByteArray& content :
         {garbage, QByteArray("[look\nbackground=5"), QByteArray("\xEF\xBB\xBF\0\0\0", 6),
          QByteArray("[look]\nbackground=\"5\n")}) {
        write(content);
        const Settings loaded = AppSettings(path()).load();
        EXPECT_TRUE(loaded.backgroundIndex >= 1 && loaded.backgroundIndex <= 8);
        EXPECT_TRUE(loaded.level >= 0 && loaded.level <= 5);
        if (content == garbage) {
            EXPECT_EQ(loaded, defaults);
        }
    }
    // The next save still works; the damaged file is kept aside. QSettings keeps parsed files
    // per process and trusts one of the same size and time stamp, so this file differs in size
    // from the garbage read above.
    const QByteArray other = garbage + garbage;
    write(other);
    ASSERT_TRUE(AppSettings(path()).save({4, false, 2}));
    EXPECT_EQ(AppSettings(path()).load(), (Settings{4, false, 2}));
    QFile aside(path() + QStringLiteral(".damaged"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), other);
}

TEST_F(AppSettingsTest, ReadsADirectoryInPlaceOfTheFileAsMissing) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("pimra.ini")));
    EXPECT_EQ(AppSettings(path()).load(), Settings{});
    EXPECT_FALSE(AppSettings(path()).save({2, true, 1}));
}

TEST_F(AppSettingsTest, ReportsAFileThatCannotBeWritten) {
    write("not a directory");
    const AppSettings below(path() + QStringLiteral("/pimra.ini"));
    EXPECT_FALSE(below.save({2, true, 1}));
    EXPECT_EQ(below.load(), Settings{});
}

TEST_F(AppSettingsTest, WritesOutOfRangeValuesAsTheirDefaults) {
    ASSERT_TRUE(AppSettings(path()).save({12, false, 9, 0}));
    EXPECT_EQ(AppSettings(path()).load(), (Settings{1, false, 3, 1000}));
    ASSERT_TRUE(AppSettings(path()).save({2, true, 5, 60000}));
    EXPECT_EQ(AppSettings(path()).load(), (Settings{2, true, 5, 60000}));
}

TEST(AppSettingsLocation, IsTheApplicationsIniFileInTheUsersConfigDirectory) {
    const QString file = AppSettings().filePath();
    EXPECT_TRUE(file.endsWith(QStringLiteral("/pimra/pimra.ini"))) << file.toStdString();
    // The test run is in Qt's test mode, so even this default path is not the user's own.
    EXPECT_TRUE(file.contains(QStringLiteral("qttest"))) << file.toStdString();
}

}  // namespace
}  // namespace pimra::media
