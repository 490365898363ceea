#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

#include "ChatPane.h"
#include "FakeUiServices.h"
#include "FormFixture.h"
#include "InfoPanel.h"
#include "LoopbackServer.h"
#include "TestForm.h"

using namespace pimra;

namespace {

std::string tableWithChat(const std::string& chat) {
    return LoopbackServer::Ok(
        R"({"response":"Success","login1":"Анна","login2":"Борис","time1":"300","time2":"300",)"
        R"("activelogin":"Анна","isready1":"1","isready2":"1","result":"0","lastrecord":"0",)"
        R"("position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0","drawoffer1":"0","drawoffer2":"0")" +
        (chat.empty() ? std::string() : R"(,"chat":)" + chat) + "}");
}

const char* const kChat =
    R"([{"id":"1","login":"Анна","text":"<b>привет</b> &amp; <img src=x>","time":"1765000000",)"
    R"("player":"1"},{"id":"2","login":"Ева","text":"удачи обоим!","time":"1765000060",)"
    R"("player":"0"}])";

}  // namespace

// The table's chat in the window, as a user sees it.
class ChatTest : public QObject {
    Q_OBJECT

  private slots:
    void linesAreShownAsPlainTextWithSpectatorsApartAndTheOptionHidesThem() {
        LoopbackServer server({tableWithChat(kChat), tableWithChat(kChat), tableWithChat("")});
        test::FakeUiServices ui;
        TestForm form(ui);
        form.setSiteUrl(QUrl(QString::fromStdString(server.Url())));
        form.setTimerPeriods(3600 * 1000, 3600 * 1000);
        form.show();
        const int withoutChat = form.centralWidget()->width();

        form.openTable(1);
        QVERIFY(test::waitUntilIdle(form));
        InfoPanel* panel = form.infoPanel();
        QVERIFY(panel->chat->isVisible());
        QCOMPARE(form.centralWidget()->width(),
                 withoutChat + InfoPanel::kWidth + InfoPanel::kChatWidth);
        // Markup stays the text it was; nobody logged in says nothing.
        const QTextDocument* document = panel->chat->lines->document();
        QCOMPARE(document->blockCount(), 2);
        const QTextBlock player = document->firstBlock();
        const QTextBlock spectator = player.next();
        QVERIFY(player.text().endsWith(QStringLiteral("Анна: <b>привет</b> &amp; <img src=x>")));
        QVERIFY(spectator.text().endsWith(QStringLiteral("Ева (зритель): удачи обоим!")));
        const auto colourAtEnd = [](const QTextBlock& block) {
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock);
            return cursor.charFormat().foreground().color();
        };
        QCOMPARE(colourAtEnd(spectator), QColor(110, 110, 110));
        QVERIFY(colourAtEnd(player) != colourAtEnd(spectator));
        QVERIFY(!panel->chat->entry->isEnabled());
        QCOMPARE(panel->chat->entry->maxLength(), 200);
        QDir().mkpath(QStringLiteral(PIMRA_SCREENSHOT_DIR));
        QVERIFY(form.grab().save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/table-chat.png")));

        // The same lines again are no news.
        form.RzButton1Click();
        QVERIFY(test::waitUntilIdle(form));
        QCOMPARE(document->blockCount(), 2);

        // "Чат" off (set with no table open): the next table shows no pane and is no wider.
        form.menu().N2->trigger();
        QVERIFY(form.menu().N44->isEnabled());
        form.menu().N44->setChecked(false);
        form.openTable(2);
        QVERIFY(test::waitUntilIdle(form));
        QVERIFY(!panel->chat->isVisible());
        QVERIFY(document->isEmpty());
        QCOMPARE(form.centralWidget()->width(), withoutChat + InfoPanel::kWidth);
    }
};

QTEST_MAIN(ChatTest)
#include "ChatTest.moc"
