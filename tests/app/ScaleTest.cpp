#include <QDir>
#include <QScreen>
#include <QTest>

#include "FakeUiServices.h"
#include "FormFixture.h"
#include "HelpViewer.h"
#include "InfoPanel.h"
#include "LoopbackServer.h"
#include "QtUiServices.h"
#include "TLunka.h"
#include "TestForm.h"

using namespace pimra;

namespace {

bool wholeOnScreen(const QWidget& window) {
    return window.screen()->availableGeometry().contains(window.frameGeometry());
}

void saveShot(QWidget& window, const QString& name) {
    QDir().mkpath(QStringLiteral(PIMRA_SCREENSHOT_DIR));
    QVERIFY(window.grab().save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/") + name));
}

}  // namespace

// Runs on a 1280 × 1024 screen with QT_SCALE_FACTOR=2 (see the test's environment).
class ScaleTest : public QObject, private test::FormFixture {
    Q_OBJECT

  private slots:
    void init() { openForm(); }
    void cleanup() { closeForm(); }

    void theWholeWindowIsOnTheScreen() {
        QCOMPARE(form_->screen()->size(), QSize(640, 512));
        QVERIFY(form_->boardScale() < 1.0);
        QVERIFY(wholeOnScreen(*form_));
        // The board keeps its proportions.
        const TLunka* pit = form_->pit(1);
        QCOMPARE(pit->width(), pit->height());
        QVERIFY(form_->pit(6)->geometry().right() < form_->centralWidget()->width());
        saveShot(*form_, QStringLiteral("scale2-local.png"));

        // A click still plays the pit it lands on.
        click(3);
        QCOMPARE(form_->game().history().moveNumber(), 1);
    }

    void theHelpWindowOpensOverTheGameWithinTheScreen() {
        const QRect room = form_->screen()->availableGeometry();
        for (const UiLanguage language : {UiLanguage::Russian, UiLanguage::English}) {
            form_->setLanguage(language);
            QtUiServices desktop;
            desktop.showHelp(form_.get(), 1);
            auto* help = form_->findChild<HelpViewer*>();
            QVERIFY(help != nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(help));
            QVERIFY(room.contains(help->frameGeometry()));
            const QPoint offset = help->geometry().center() - form_->geometry().center();
            QVERIFY2(offset.manhattanLength() <= 40, qPrintable(QString::number(offset.x())));
            saveShot(*help, language == UiLanguage::English ? QStringLiteral("scale2-help-en.png")
                                                            : QStringLiteral("scale2-help.png"));
            // Closed, and opened again after the game's window moved: over it again, and
            // pushed back onto the screen where the window is partly off it.
            help->close();
            form_->move(form_->pos() + QPoint(120, 90));
            desktop.showHelp(form_.get(), 3);
            QVERIFY(QTest::qWaitForWindowExposed(help));
            QVERIFY(room.contains(help->frameGeometry()));
            QVERIFY(help->geometry().center().x() > room.center().x() + 40);
            QVERIFY(help->geometry().center().y() > room.center().y() + 20);
            form_->move(form_->pos() - QPoint(120, 90));
        }
        form_->setLanguage(UiLanguage::Russian);
    }

    void theWindowWithTheTablePanelToo() {
        LoopbackServer server({LoopbackServer::Ok(
            R"({"response":"Success","login1":"Константин Михайлов","login2":"anna",)"
            R"("time1":"300","time2":"300","activelogin":"anna","isready1":"1","isready2":"1",)"
            R"("result":"0","lastrecord":"0","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})")});
        form_->setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form_->setTimerPeriods(3600 * 1000, 3600 * 1000);
        const double local = form_->boardScale();
        form_->openTable(3);
        settle();
        QVERIFY(form_->infoPanel()->isVisible());
        QVERIFY(form_->boardScale() < local);
        QVERIFY(wholeOnScreen(*form_));
        QVERIFY(form_->centralWidget()->rect().contains(form_->infoPanel()->geometry()));
        saveShot(*form_, QStringLiteral("scale2-table.png"));

        // Back at the local game, the board grows to what the screen allows.
        form_->menu().N2->trigger();
        QCOMPARE(form_->boardScale(), local);
        QVERIFY(wholeOnScreen(*form_));
    }
};

QTEST_MAIN(ScaleTest)
#include "ScaleTest.moc"
