#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <optional>
#include <vector>

#include "FakeGameServer.h"
#include "ServerLink.h"
#include "net/Requests.h"

using namespace pimra;
using pimra::test::FakeGameServer;

namespace {

constexpr std::chrono::milliseconds kQuickRetry{50};

GameSocket::Pauses quickRetries() {
    GameSocket::Pauses pauses;
    pauses.first = kQuickRetry;
    pauses.longest = kQuickRetry * 4;
    return pauses;
}

struct Exchange {
    bool ended = false;
    std::optional<net::PostResult> result;
    bool ok() const { return ended && result && result->ok; }
    bool lost() const { return ended && result && !result->reply; }
};

// Sends through the link's one route and waits for the end of the exchange; none when it
// did not end.
Exchange roundTrip(ServerLink& link, const net::Request& request) {
    Exchange done;
    const bool started =
        link.runner().send(request, [&done](const std::optional<net::PostResult>& result) {
            done.ended = true;
            done.result = result;
        });
    if (started) (void)QTest::qWaitFor([&done] { return done.ended; }, 10000);
    return done;
}

int count(const std::vector<std::string>& actions, const std::string& action) {
    return static_cast<int>(std::count(actions.begin(), actions.end(), action));
}

}  // namespace

class GameSocketTest : public QObject {
    Q_OBJECT

  private slots:
    void aServerWithoutTheSocketIsTalkedToOverHttpAndAskedRarely() {
        FakeGameServer server(false);
        ServerLink link{QUrl(server.site())};
        QCOMPARE(link.socket().url().toString(),
                 QStringLiteral("ws://127.0.0.1:%1/engine/ws").arg(server.port()));
        link.socket().start();
        QTRY_VERIFY(link.socket().retryWaiting());
        QVERIFY(!link.socket().isOpen());
        QCOMPARE(link.socket().retryInterval(), 600000);  // a 404: not every second
        QVERIFY(roundTrip(link, net::GetTableRequest(7)).ok());
        QCOMPARE(server.posted, std::vector<std::string>{"gettable"});
    }

    void actionsGoOverTheSocketAndALostChangeIsNeverSentTwice() {
        FakeGameServer server(true);
        ServerLink link{QUrl(server.site())};
        link.socket().setPauses(quickRetries());
        std::vector<net::TableEvent> events;
        std::vector<bool> openings;
        GameSocket::Hooks hooks;
        hooks.tableEvent = [&](const net::TableEvent& event) { events.push_back(event); };
        hooks.openChanged = [&](bool open) { openings.push_back(open); };
        link.socket().setHooks(hooks);
        link.socket().watchTable(7);
        link.socket().start();
        QTRY_VERIFY(link.socket().isOpen());
        QCOMPARE(openings, std::vector<bool>{true});
        QTRY_COMPARE(server.socketActions, std::vector<std::string>{"watch"});

        // Every action, the login too, goes over the socket and its reply comes back by id.
        QVERIFY(roundTrip(link, net::MoveRequest(link.connection().session(), 7, 3)).ok());
        bool loggedIn = false;
        QVERIFY(link.runner().login("ivan", "secret", [&](bool ok) { loggedIn = ok; }));
        QTRY_VERIFY(loggedIn);
        QVERIFY(server.posted.empty());
        server.push(R"({"event":"table","tableid":"7","lastrecord":"12","result":"0"})");
        QTRY_COMPARE(events.size(), std::size_t{1});
        QCOMPARE(events[0].lastRecord, std::optional<int>(12));

        // The socket drops with a read unanswered: it is asked again over HTTP.
        server.swallowed = {"gettable", "move"};
        QVERIFY(roundTrip(link, net::GetTableRequest(7)).ok());
        QCOMPARE(server.posted, std::vector<std::string>{"gettable"});
        QCOMPARE(openings, (std::vector<bool>{true, false}));

        // It comes back by itself, watching the table again; a move whose reply was lost is
        // reported as not made, and not sent again.
        QTRY_VERIFY(link.socket().isOpen());
        QTRY_COMPARE(count(server.socketActions, "watch"), 2);
        QVERIFY(roundTrip(link, net::MoveRequest(link.connection().session(), 7, 4)).lost());
        QCOMPARE(link.connection().StatusText(), std::string(net::kServerUnreachableText));
        QCOMPARE(count(server.socketActions, "move"), 2);
        QCOMPARE(server.posted, std::vector<std::string>{"gettable"});
    }

    void theSocketComesBackAfterTheServerRestarts() {
        auto server = std::make_unique<FakeGameServer>(true);
        const quint16 port = server->port();
        ServerLink link{QUrl(server->site())};
        link.socket().setPauses(quickRetries());
        link.socket().watchTable(7);
        link.socket().watchLobby(true);
        link.socket().start();
        QTRY_VERIFY(link.socket().isOpen());
        QTRY_COMPARE(server->socketActions.size(), std::size_t{2});

        server.reset();
        QTRY_VERIFY(!link.socket().isOpen());
        // Down: the exchanges go over HTTP, which fails as a POST does; tries continue.
        QVERIFY(roundTrip(link, net::GetTableRequest(7)).lost());
        const int triesBefore = link.socket().attempts();
        QTRY_VERIFY(link.socket().attempts() > triesBefore + 1);

        server = std::make_unique<FakeGameServer>(true, port);
        QCOMPARE(server->port(), port);
        QTRY_VERIFY_WITH_TIMEOUT(link.socket().isOpen(), 10000);
        // Both watches are asked for again.
        QTRY_COMPARE(server->socketActions, (std::vector<std::string>{"watch", "watch"}));
        link.connection().ClearServerDown();
        QVERIFY(roundTrip(link, net::GetTableRequest(7)).ok());
        QVERIFY(server->posted.empty());
        link.socket().watchLobby(false);
        QTRY_COMPARE(count(server->socketActions, "unwatch"), 1);
    }
};

QTEST_MAIN(GameSocketTest)
#include "GameSocketTest.moc"
