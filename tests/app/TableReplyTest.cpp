#include <QLCDNumber>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "FakeUiServices.h"
#include "FormFixture.h"
#include "InfoPanel.h"
#include "LoopbackServer.h"
#include "TForm1.h"
#include "TLunka.h"

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
        TForm1 form(ui);
        form.setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form.setTimerPeriods(3600 * 1000, 3600 * 1000);
        form.setStepDelay(0);
        form.setOnlineStepDelay(0);
        QSignalSpy replayed(&form, &TForm1::moveStepShown);

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

        // The clock that is not a number keeps its text; the other one counts.
        form.Timer2Timer();
        QCOMPARE(form.onlineTable().State().Seat1Time, std::string("abc"));
        QCOMPARE(form.onlineTable().State().Seat2Time, std::string("299"));

        // A record whose move is no pit is not played; the server's board is taken instead.
        form.Timer1Timer();
        QVERIFY(test::waitUntilIdle(form));
        QCOMPARE(replayed.count(), 0);
        QCOMPARE(server.Requests().size(), 3u);
        QCOMPARE(form.pit(1)->Stones, 2);
        QCOMPARE(form.pit(14)->Stones, 0);  // an item that is not a number keeps the pit
        QCOMPARE(form.onlineTable().State().LastRecord, 1);
    }
};

QTEST_MAIN(TableReplyTest)
#include "TableReplyTest.moc"
