#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "Accounts.h"
#include "ChangeFeed.h"
#include "Clock.h"
#include "FormBody.h"
#include "Store.h"
#include "TableChangeRecorder.h"
#include "TableRules.h"
#include "net/TableReply.h"

namespace pimra::server {

struct EngineSettings {
    std::int64_t graceMs = 2000;
    // How long a finished table stays in the list.
    std::int64_t finishedListedMs = 10 * 60 * 1000;
    // Keeps one account from filling the list.
    int maxUnfinishedTablesPerLogin = 10;
    // A table whose game has not started goes away this long after its last change.
    std::int64_t waitingTableMs = 30 * 60 * 1000;
    int maxListedTables = 500;
    // Waiting tables listed per player, the newest ones: a flood of tables of one account
    // cannot push the others' out of the list.
    int maxListedWaitingTablesPerPlayer = 3;
    // A seated player whose client has not asked about the table for this long is away.
    std::int64_t awayAfterMs = 30 * 1000;
};

// The game actions behind "/engine/". Every reply is a JSON object of strings whose
// "response" is "Success" or a short reason in Russian. Safe to call from several threads.
class Engine {
  public:
    using Respond = std::function<void(std::string)>;

    // Every committed change of a table is published on `feed`; without one, on a feed of this
    // process alone.
    Engine(Store& store, const Clock& clock, Accounts& accounts, EngineSettings settings = {},
           ChangeFeed* feed = nullptr);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The time the game clocks run on, which the pages show them in too.
    const Clock& clock() const { return clock_; }

    // Decodes a request body and answers it; `respond` gets the UTF-8 JSON text of the reply,
    // either before this returns or, once a change is durable, on the thread the store tells
    // it on. `address` is where the request came from, for the limits on guessing passwords.
    void answer(std::string_view body, const std::string& address, Respond respond);
    void answer(const FormFields& fields, const std::string& address, Respond respond);
    // True for an action whose only use of the store is one change: handed to a store that
    // queues writes, it never waits for SQL on the calling thread.
    static bool onlyChanges(const FormFields& fields);
    // Whether the request asks for the list of tables.
    static bool isList(const FormFields& fields);
    // The reply to a request refused because its client asks too often.
    static std::string tooManyRequestsReply();
    // Replies the game socket gives of its own: the same texts as the actions'.
    static std::string replyText(std::string_view response);
    static std::string successReply();
    static std::string badRequestReply();
    static std::string noTableReply();
    static std::string serverErrorReply();
    // The same, waiting for the reply.
    std::string answer(std::string_view body, const std::string& address = "");
    nlohmann::json handle(const FormFields& fields, const std::string& address = "");

    ChangeFeed& changeFeed() { return *feed_; }
    // What a watcher needs of a table it starts to watch, or whose clock should have run out:
    // whether it exists, and while its game runs, how long until the clock of the seat to move
    // runs out. A clock that has run out is settled here (and the change published). Waits for
    // the store: not for the network thread.
    struct ClockCheck {
        bool exists = false;
        std::optional<std::int64_t> runsOutInMs;
        net::TableEvent event;  // how the table stands
    };
    ClockCheck checkClock(std::int64_t tableId);

  private:
    // An action's outcome: a reply now, or a change for the store and the reply to make once
    // the change is durable. The change and the reply keep nothing of the request by
    // reference: they may run after it is gone.
    struct Answer {
        nlohmann::json reply;
        Store::Work change;
        std::function<nlohmann::json()> afterChange;
        // Tidying the reply does not wait for: handed to the store once the reply has gone.
        Store::Work background = {};
        // The reply already written out, shared by every request it answers; then `reply` is
        // unused.
        std::shared_ptr<const std::string> madeText = {};
    };
    // The session a request names.
    struct SessionKey {
        std::string sid;
        std::string code;
    };

    Answer act(const FormFields& fields, const std::string& address);
    static nlohmann::json failureReply(const std::exception_ptr& error);

    Answer login(const FormFields& fields, const std::string& address);
    Answer tableList(const FormFields& fields);
    Answer newTable(const FormFields& fields);
    Answer regTable(const FormFields& fields);
    Answer getTable(const FormFields& fields);
    Answer nextRecord(const FormFields& fields);
    Answer ready(const FormFields& fields);
    Answer move(const FormFields& fields);
    Answer leave(const FormFields& fields);
    Answer rematch(const FormFields& fields);
    Answer alive(const FormFields& fields);
    Answer logout(const FormFields& fields);
    Answer resign(const FormFields& fields);
    Answer offerDraw(const FormFields& fields);
    Answer say(const FormFields& fields);

    // What a write changed, for the watchers once it is durable.
    struct Recorded {
        std::vector<RecordedChange> tables;
        bool expired = false;
    };
    static Store::Work recording(Store::Work work, std::shared_ptr<Recorded> recorded);
    void announceAll(const Recorded& recorded);
    // Tells the watchers of the table, and of the lobby when `listChanged`, how the table
    // stands after a committed change.
    void announce(const TableRow& table, bool listChanged);
    static net::TableEvent eventOf(const TableRow& table);
    std::optional<std::int64_t> runsOutIn(const TableRow& table, std::int64_t nowMs) const;

    void removeStaleTables(StoreTransaction& tx, std::int64_t nowMs) const;
    // Removes the expired waiting tables and ends the listed games lost on time, as they
    // stood at `nowMs`; nothing when a sweep is under way already.
    Store::Work sweep(std::vector<std::int64_t> lostOnTime, std::int64_t nowMs);
    void runInBackground(Store::Work work);
    net::TableReply describeTable(const TableRow& table, std::int64_t nowMs) const;
    // The members that "gettable" gained beside the first ones.
    void describeActivity(StoreTransaction& tx, const TableRow& table, std::int64_t nowMs,
                          net::TableReply& result) const;
    // A seat's player told the server about the table now.
    static void markSeen(StoreTransaction& tx, const TableRow& table, Side seat,
                         std::int64_t nowMs);
    // The seat moved now: it was seen, and the draw offers standing lapse.
    static void markMoved(StoreTransaction& tx, const TableRow& table, Side seat,
                          std::int64_t nowMs);
    // The table and seat of a request about the user's running game; none when the game was
    // lost on time just now, which `outcome` then says. Other refusals are thrown.
    struct SeatAtGame {
        TableRow table;
        Side seat;
    };
    std::optional<SeatAtGame> runningGameOf(StoreTransaction& tx, const SessionKey& session, int id,
                                            std::int64_t nowMs, const char*& outcome) const;
    // A change to that game by its player, answered with its outcome.
    using GameChange = std::function<void(StoreTransaction&, SeatAtGame&, std::int64_t nowMs)>;
    Answer atRunningGame(const FormFields& fields, GameChange act);
    // The game was just ended by the move that was played, or by `settleClock`; kept for the
    // archive and the ratings in the same write.
    static void gameEnded(StoreTransaction& tx, const TableRow& table, GameFinish finish);
    // A loss on time found now is stored with its end of the game; true if there was one.
    bool settle(StoreTransaction& tx, TableRow& table, std::int64_t nowMs) const;
    static SessionKey sessionOf(const FormFields& fields);
    std::string requireLogin(StoreTransaction& tx, const SessionKey& session) const;
    // The player of a session at one of the table's seats; refused for anyone else.
    struct Seated {
        std::string login;
        TableRow table;
        Side seat;
    };
    Seated requireSeat(StoreTransaction& tx, const SessionKey& session, int tableId) const;
    // A clock that has run out ends the game now and the result is stored.
    bool lostOnTime(StoreTransaction& tx, TableRow& table, std::int64_t nowMs) const;

    Store& store_;
    const Clock& clock_;
    std::unique_ptr<ChangeFeed> ownFeed_;
    ChangeFeed* feed_;
    Accounts& accounts_;
    EngineSettings settings_;
    TableRules rules_;
    // The last list, given again while nothing has changed through this engine and the
    // clocks have moved less than a moment: a flood of lists costs one read a moment.
    struct ListCopy {
        std::shared_ptr<const std::string> text;
        std::uint64_t changes = 0;
        std::int64_t madeMs = 0;
        std::chrono::steady_clock::time_point made;
    };
    std::shared_ptr<const std::string> recentList(std::uint64_t changes, std::int64_t nowMs);
    std::shared_ptr<const std::string> keepList(const nlohmann::json& reply, std::uint64_t changes,
                                                std::int64_t nowMs);
    std::mutex listMutex_;
    std::optional<ListCopy> list_;
    // Changes made through this engine so far; a change counts before its reply goes.
    std::atomic<std::uint64_t> changes_{0};

    // One sweep at a time: a flood of lists asks for the same one.
    std::mutex sweepMutex_;
    std::condition_variable sweepDone_;
    bool sweeping_ = false;
};

}  // namespace pimra::server
