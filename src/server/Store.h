#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Side.h"

namespace pimra::server {

struct Account {
    std::string login;
    std::string passwordHash;
    // The login folded so that look-alikes meet (see `loginKey`); no two new accounts share it.
    std::string loginKey;
};

struct Session {
    std::string sid;
    std::string code;
    std::string login;
    std::int64_t createdMs = 0;
    std::int64_t lastUsedMs = 0;
};

enum class TableStatus { Waiting = 0, Playing = 1, Finished = 2 };

// One game table with everything needed to go on after a restart. The clock of the seat to
// move is `timeNMs` at `turnStartedMs`; the other seat's clock stands still.
struct TableRow {
    std::int64_t id = 0;
    int gameId = 1;
    std::string login1;
    std::string login2;
    int timeLimit = 0;  // seconds
    int bonus = 0;      // seconds
    bool ready1 = false;
    bool ready2 = false;
    TableStatus status = TableStatus::Waiting;
    std::string position;  // 14 counts joined by "|"
    Side seatToMove = Side::Bottom;
    std::int64_t time1Ms = 0;
    std::int64_t time2Ms = 0;
    std::int64_t turnStartedMs = 0;
    int result = 0;  // 0 running or waiting, 1/2 winning seat, 3 draw
    std::int64_t finishedMs = 0;
    int lastRecord = 0;
    std::int64_t createdMs = 0;
    // When a seat was taken or left, a ready flag was set, or the game last moved.
    std::int64_t changedMs = 0;
    // Whether each seat has had its one grace past a clock of zero in this game.
    bool graceUsed1 = false;
    bool graceUsed2 = false;
};

// Seats are kept as 1 (bottom row) and 2 (top row); the stores write nothing else.
inline Side storedSide(std::int64_t number) {
    return number == 2 ? Side::Top : Side::Bottom;
}

// One move of a game; `ind` counts from 1 per table.
struct Record {
    int ind = 0;
    Side seat = Side::Bottom;
    int pit = 0;
    std::int64_t playedMs = 0;
};

// How a finished game ended.
enum class GameFinish { None = 0, Moves = 1, Time = 2, Resign = 3, Agreement = 4 };

// What the archive keeps of a finished game beside its table and records.
struct GameOutcome {
    std::int64_t tableId = 0;
    GameFinish finish = GameFinish::None;
    bool rated = false;
    // Ratings of both seats before and after the game; equal when it was not rated.
    double rating1Before = 0;
    double rating1After = 0;
    double rating2Before = 0;
    double rating2After = 0;
};

struct ArchivedGame {
    TableRow table;
    GameOutcome outcome;
};

// A login's Glicko-2 rating and its finished games.
struct PlayerRecord {
    std::string login;
    double rating = 1500;
    double deviation = 350;
    double volatility = 0.06;
    int played = 0;
    int won = 0;
    int lost = 0;
    int drawn = 0;
};

// What the players of a table told the server lately: when each seat last asked about it
// (0 = never), their rematch requests and the rematch table once it is open (0 = none), and
// the draws they offer.
struct TableActivity {
    std::int64_t seen1Ms = 0;
    std::int64_t seen2Ms = 0;
    bool rematch1 = false;
    bool rematch2 = false;
    std::int64_t nextTableId = 0;
    bool drawOffer1 = false;
    bool drawOffer2 = false;
};

// One line said at a table; it stays with the table, and so with its archived game.
struct ChatEntry {
    std::int64_t id = 0;  // given by the store, growing
    std::string login;
    std::string text;
    std::int64_t saidMs = 0;
    bool player = false;  // the speaker sat at the table
};

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Access to the data inside one transaction.
class StoreTransaction {
  public:
    virtual ~StoreTransaction() = default;

    virtual std::optional<Account> findAccount(const std::string& login) = 0;
    // False when the login, or another login with the same `loginKey`, is taken.
    virtual bool addAccount(const Account& account, std::int64_t nowMs) = 0;
    virtual bool isLoginKeyTaken(const std::string& loginKey) = 0;

    virtual void addSession(const Session& session) = 0;
    virtual std::optional<Session> findSession(const std::string& sid) = 0;
    virtual void touchSession(const std::string& sid, std::int64_t nowMs) = 0;
    // Drops the login's sessions unused since `unusedSinceMs`, and those beyond the newest
    // `keep`.
    virtual void trimSessions(const std::string& login, int keep, std::int64_t unusedSinceMs) = 0;

    virtual std::int64_t addTable(const TableRow& table) = 0;
    // Inside `Store::write` the row is held for this transaction until it ends.
    virtual std::optional<TableRow> findTable(std::int64_t id) = 0;
    virtual void updateTable(const TableRow& table) = 0;
    // Removes a table and its records.
    virtual void removeTable(std::int64_t id) = 0;
    // Removes the tables whose game has not started and that have not changed since
    // `changedBeforeMs`; gives how many.
    virtual int removeWaitingTablesChangedBefore(std::int64_t changedBeforeMs) = 0;
    // At most `limit` tables of a game: the waiting ones, newest first and at most
    // `waitingPerPlayer` of each player (by the first seated login); then the running ones,
    // oldest first; then those finished at or after `finishedSinceMs`, newest first. Costs the
    // same however many finished games the store holds.
    virtual std::vector<TableRow> listTables(int gameId, std::int64_t finishedSinceMs, int limit,
                                             int waitingPerPlayer) = 0;
    virtual int countUnfinishedTablesOf(const std::string& login) = 0;
    // The running games in which the login sits, oldest first.
    virtual std::vector<TableRow> runningTablesOf(const std::string& login) = 0;

    virtual void addRecord(std::int64_t tableId, const Record& record) = 0;
    virtual std::optional<Record> recordAfter(std::int64_t tableId, int ind) = 0;

    // Every record of a table, oldest first.
    virtual std::vector<Record> recordsOf(std::int64_t tableId) = 0;

    // The archive of finished games and the players' ratings.
    virtual void addGameOutcome(const GameOutcome& outcome) = 0;
    virtual std::optional<GameOutcome> findGameOutcome(std::int64_t tableId) = 0;
    // The newest `limit` finished games in which the login sat, newest first.
    virtual std::vector<ArchivedGame> finishedGamesOf(const std::string& login, int limit) = 0;
    // Nothing for a login that has not finished a game yet.
    virtual std::optional<PlayerRecord> findPlayer(const std::string& login) = 0;
    virtual void savePlayer(const PlayerRecord& player) = 0;

    // A table's activity, all zero when nothing was kept; it goes with the table.
    virtual TableActivity findActivity(std::int64_t tableId) = 0;
    virtual void saveActivity(std::int64_t tableId, const TableActivity& activity) = 0;

    // A line of a table's chat; gives its id. Lines of one table are added while the table
    // is held, so their ids grow in the order they were said.
    virtual std::int64_t addChatLine(std::int64_t tableId, const ChatEntry& line) = 0;
    // The newest `limit` lines of a table, oldest first.
    virtual std::vector<ChatEntry> chatOf(std::int64_t tableId, int limit) = 0;
    // How many lines the login said, at any table, at or after `sinceMs`; inside a change other
    // processes' lines of the login wait until it ends.
    virtual int countChatLinesOf(const std::string& login, std::int64_t sinceMs) = 0;

    // Counters of events under a key (failed logins, registrations ...) for limits shared by
    // every server process on the store.
    virtual int countEvents(const std::string& key, std::int64_t sinceMs) = 0;
    virtual void addEvent(const std::string& key, std::int64_t nowMs) = 0;
    virtual void removeEventsBefore(std::int64_t beforeMs) = 0;

    // A secret shared by every server process on the store: the stored one, or `fresh`, which
    // is stored, when there is none yet.
    virtual std::string secret(const std::string& name, const std::string& fresh) = 0;
};

// Where accounts, sessions, tables and moves are kept. Every change runs in `write`, whose
// work lands whole or not at all (an exception rolls it back); writes to one table are
// serialised. Implementations must keep nothing that matters only in memory, so that several
// server processes can share one store.
class Store {
  public:
    using Work = std::function<void(StoreTransaction&)>;
    // What kept a change from being saved, or nothing once it is durable.
    using Done = std::function<void(std::exception_ptr)>;
    virtual ~Store() = default;
    virtual void write(const Work& work) = 0;
    virtual void read(const Work& work) = 0;

    // Runs `work` as `write` does and then calls `done`. A store may return at once and call
    // `done` later on a thread of its own, so `done` must be quick and must not wait for the
    // store; this one runs both on the caller's thread.
    virtual void writeThen(Work work, Done done) {
        std::exception_ptr error;
        try {
            write(work);
        } catch (...) {
            error = std::current_exception();
        }
        done(error);
    }
    // True when `writeThen` only queues the change, never waiting, and runs it elsewhere, so
    // that a thread that must not wait for SQL may hand changes over.
    virtual bool queuesWrites() const { return false; }
};

}  // namespace pimra::server
