#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "FakeUiServices.h"
#include "FormFixture.h"
#include "InfoPanel.h"
#include "LoopbackServer.h"
#include "TLunka.h"
#include "TestForm.h"

using namespace pimra;

namespace {

std::string tableReply(const std::string& position) {
    return LoopbackServer::Ok(
        R"({"response":"Success","login1":"Анна","login2":"\u03a9mega","time1":"abc",)"
        R"("time2":"300","activelogin":"\u03a9mega","isready1":"1","isready2":"1",)"
        R"("result":"0","lastrecord":"x7","position":")" +
        position + R"("})");
}

}  // namespace

// Replies the real server never sends: the window keeps what it cannot use.
class TableReplyTest : public QObject {
    Q_OBJECT

  private slots:
    void unusableValuesNeverReachTheBoardOrTheClocks() {
        LoopbackServer server({
            tableReply("300|-1|4|4|4|4|0|4|4|4|4|4|4|0"),
            LoopbackServer::Ok(R"({"response":"Success","ind":"1","move":"99"})"),
            tableReply("2|2|2|2|2|2|0|2|2|2|2|2|2|x"),
        });
        test::FakeUiServices ui;
        TestForm form(ui);
        form.setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form.setTimerPeriods(3600 * 1000, 3600 * 1000);
        form.setStepDelay(0);
        form.setOnlineStepDelay(0);
        QSignalSpy replayed(form.steps(), &MoveAnimator::stepShown);

        form.openTable(1);
        QVERIFY(test::waitUntilIdle(form));
        QCOMPARE(form.pit(1)->Stones, 6);  // 300 does not fit a pit
        QCOMPARE(form.pit(2)->Stones, 6);  // nor does -1
        QCOMPARE(form.pit(3)->Stones, 4);
        QCOMPARE(form.pit(7)->Stones, 0);
        QCOMPARE(form.infoPanel()->LoginLabel2->text(), QStringLiteral("?mega"));
        QCOMPARE(form.onlineTable().State().LastRecord, 0);
        QCOMPARE(form.infoPanel()->Clock1->accessibleName(), QString());
        QCOMPARE(form.infoPanel()->Clock2->accessibleName(), QString());

        // The clock that is not a number is never counted; the other one counts by the time
        // gone, and neither is shown while one of them makes no sense.
        form.Timer2Timer();
        QVERIFY(!form.onlineTable().State().Table.seat1.seconds);  // "abc" is no number
        QVERIFY(!form.onlineTable().RemainingMs(Side::Bottom));
        QVERIFY(*form.onlineTable().RemainingMs(Side::Top) <= 300'500);
        QCOMPARE(form.infoPanel()->Clock2->accessibleName(), QString());

        // A record whose move is no pit is not played; the server's board is taken instead.
        form.Timer1Timer();
        QVERIFY(test::waitUntilIdle(form));
        QCOMPARE(replayed.count(), 0);
        QCOMPARE(server.Requests().size(), 3u);
        QCOMPARE(form.pit(1)->Stones, 2);
        QCOMPARE(form.pit(14)->Stones, 0);  // an item that is not a number keeps the pit
        QCOMPARE(form.onlineTable().State().LastRecord, 1);
    }

    // A server with the newer members and actions, as agreed with it: the rematch moves the
    // player to the new table, where the seats are swapped.
    void rematchMovesThePlayerToTheNewTable() {
        const std::string finished =
            R"({"response":"Success","login1":"Анна","login2":"Boris","time1":"100",)"
            R"("time2":"0","activelogin":"","isready1":"1","isready2":"1","result":"1",)"
            R"("finish":"time","lastrecord":"0","rating1":"1562","rating2":"1438",)"
            R"("away1":"1","position":"6|6|6|6|6|6|3|6|6|6|6|6|6|1")";
        LoopbackServer server({
            LoopbackServer::Ok(R"({"response":"Success","sid":"s1","code":"c1"})"),
            LoopbackServer::Ok(finished + "}"),
            LoopbackServer::Ok(R"({"response":"Success","tableid":""})"),
            LoopbackServer::Ok(finished + R"(,"rematch1":"1","rematch2":"1","nexttable":"2"})"),
            LoopbackServer::Ok(
                R"({"response":"Success","login1":"Boris","login2":"Анна","time1":"300",)"
                R"("time2":"300","activelogin":"","isready1":"0","isready2":"0","result":"0",)"
                R"("lastrecord":"0","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})"),
        });
        test::FakeUiServices ui;
        TestForm form(ui);
        form.setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form.setTimerPeriods(3600 * 1000, 3600 * 1000);
        form.show();
        bool loggedIn = false;
        form.lobbyHost().login("Boris", "secret", [&](bool ok) { loggedIn = ok; });
        QVERIFY(test::waitUntilIdle(form));
        QVERIFY(loggedIn);

        form.openTable(1);
        QVERIFY(test::waitUntilIdle(form));
        QCOMPARE(ui.results, QStringList{QStringLiteral("Победил: Анна по времени !   3:1")});
        QCOMPARE(form.infoPanel()->LoginLabel1->text(),
                 QStringLiteral("Анна (1562) (нет на месте)"));
        QCOMPARE(form.infoPanel()->LoginLabel2->text(), QStringLiteral("Boris (1438)"));
        QVERIFY(form.boardTurned());
        QVERIFY(form.infoPanel()->bRematch->isVisible());

        form.bRematchClick();
        QVERIFY(test::waitUntilIdle(form));
        QVERIFY(form.infoPanel()->bRematch->isVisible());
        QVERIFY(!form.infoPanel()->bRematch->isEnabled());  // asked; Анна has not yet
        form.RzButton1Click();                              // the next reload names the new table
        QVERIFY(test::waitUntilIdle(form));
        QCOMPARE(form.tableId(), 2);
        QVERIFY(!form.boardTurned());  // Boris is on seat 1 now
        QVERIFY(!form.infoPanel()->bRematch->isVisible());
        QVERIFY(form.infoPanel()->bReady->isVisible());
        QCOMPARE(ui.results.size(), 1);

        const std::vector<std::string> requests = server.Requests();
        QCOMPARE(requests.size(), 5u);
        QVERIFY(requests[2].find("action=rematch&sid=s1&code=c1&tableid=1") != std::string::npos);
        QVERIFY(requests[4].find("action=gettable") != std::string::npos);
        QVERIFY(requests[4].find("tableid=2") != std::string::npos);
    }
};

QTEST_MAIN(TableReplyTest)
#include "TableReplyTest.moc"
