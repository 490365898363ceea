#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "ServerAddress.h"
#include "media/AppSettings.h"

using namespace pimra;

class ServerAddressTest : public QObject {
    Q_OBJECT

  private slots:
    void commandLineThenSettingsThenTheLocalServer() {
        const QString program = QStringLiteral("pimra");
        const QString settings = QStringLiteral("http://games.example:9000");
        QCOMPARE(ChooseServerUrl({program}, QString()),
                 QUrl(QStringLiteral("http://127.0.0.1:8455")));
        QCOMPARE(ChooseServerUrl({program}, settings), QUrl(settings));
        QCOMPARE(ChooseServerUrl(
                     {program, QStringLiteral("--server"), QStringLiteral("http://127.0.0.1:9")},
                     settings),
                 QUrl(QStringLiteral("http://127.0.0.1:9")));
        QCOMPARE(ChooseServerUrl({program, QStringLiteral("--server=http://h:1")}, QString()),
                 QUrl(QStringLiteral("http://h:1")));
    }

    void unusableAddressesAndUnknownOptionsArePassedOver() {
        const QString program = QStringLiteral("pimra");
        const QUrl local(QStringLiteral("http://127.0.0.1:8455"));
        QCOMPARE(ChooseServerUrl({program, QStringLiteral("--bogus"), QStringLiteral("-x"),
                                  QStringLiteral("--server"), QStringLiteral("http://h:2")},
                                 QString()),
                 QUrl(QStringLiteral("http://h:2")));
        QCOMPARE(ChooseServerUrl({program, QStringLiteral("--server")}, QString()), local);
        QCOMPARE(ChooseServerUrl({program, QStringLiteral("--server"), QStringLiteral("ftp://h")},
                                 QStringLiteral("not a url")),
                 local);
        QCOMPARE(ChooseServerUrl({program, QStringLiteral("--server"), QStringLiteral("/tmp/x")},
                                 QString()),
                 local);
    }

    void settingsFileKeepsTheServerWhenSaving() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pimra.ini"));
        media::AppSettings settings(path);
        QCOMPARE(settings.serverUrl(), QString());
        {
            QSettings file(path, QSettings::IniFormat);
            file.setValue(QStringLiteral("server/url"), QStringLiteral("http://h:3"));
        }
        QVERIFY(settings.save({2, false, 1}));
        QCOMPARE(settings.serverUrl(), QStringLiteral("http://h:3"));
        QCOMPARE(settings.load(), (media::Settings{2, false, 1}));
    }
};

QTEST_MAIN(ServerAddressTest)
#include "ServerAddressTest.moc"
