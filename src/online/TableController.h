#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "core/Game.h"
#include "net/ServerConnection.h"
#include "online/GameResult.h"
#include "online/OnlineTable.h"

namespace pimra::online {

// Shown in the status pane when the user's move did not reach the server; the connection's
// own text follows.
inline constexpr const char* kMoveNotSentText = "Ход не отправлен. ";

// The server's refusal of "leave" once both players are ready.
inline constexpr const char* kGameStartedText = "Партия уже началась";

// A server without one of the newer actions answers so; the feature is then not offered.
inline constexpr const char* kUnknownActionText = "Неизвестное действие";

// The server answers again after failed exchanges; the table has been asked for anew.
inline constexpr const char* kReconnectedText = "Связь с сервером восстановлена, стол обновлён";

// After a failed exchange the server is asked again after the first pause, each pause twice
// the last, up to the poll's period.
inline constexpr std::chrono::milliseconds kFirstRetry{250};
inline constexpr std::chrono::milliseconds kLongestRetry{2000};

enum class RequestKind { Reload, NextRecord, Move, Ready, Leave, Rematch, Alive };

struct Outgoing {
    RequestKind kind = RequestKind::Reload;
    net::Request request;
    // Sent after a failed exchange: the connection is to try the server again.
    bool afterFailure = false;
};

// How an exchange ended: no result when it was not made at all.
struct Answer {
    std::optional<net::PostResult> result;
    std::string statusText;  // the connection's status text after the exchange
};

// What the window is to do, in this order: show the board, the table and the clocks, write
// the status pane, handle the timers, animate, send.
struct Effects {
    bool showBoard = false;   // the game's board changed without a move
    bool showTable = false;   // panel, labels, cursors; "Особые возможности" off
    bool showClocks = false;  // the clocks alone
    bool historyChanged = false;
    std::optional<std::string> message;  // the right-hand status pane
    bool startTimers = false;            // restart the clock, start the poll unless it runs
    bool stopTimers = false;             // poll, clock and the run-out pause
    bool pauseThenReload = false;        // stop the clock; reload after the run-out pause
    // When the clock's next tick is due (the shown second changes then); none: a full period.
    std::optional<std::chrono::milliseconds> nextClockTick;
    // An exchange failed: call retryTick() after this pause.
    std::optional<std::chrono::milliseconds> retryAfter;
    std::optional<MoveResult> animate;  // already played on the game; call animationDone()
    std::optional<Outgoing> send;       // send, then call answered() with how it ended
    bool backToLocalGame = false;       // do what "Новая" does
    // The game is over: the box with the result, the same for players and spectators; in
    // words and in parts.
    std::optional<std::string> resultBox;
    std::optional<ResultBox> result;
    // Something the user waits for happened (the opponent sat down, got ready or moved, the
    // game ended): a sound, and the desktop's attention when the window is in the background.
    bool attention = false;
};

// The open table: turn control, the poll and the clock, the replay of the opponent's moves and
// the user's own, as events in and effects out. Holds at most one exchange at a time; the
// window tells it with `otherWork` when it is busy itself (a lobby request, for one).
class TableController {
  public:
    // Both must outlive the controller.
    TableController(const net::Session& session, Game& game, MonotonicClock clock = steadyNow)
        : table_(session, std::move(clock)), game_(game) {}

    const OnlineTable& table() const { return table_; }
    void setClock(MonotonicClock clock) { table_.SetClock(std::move(clock)); }
    bool isOpen() const { return table_.IsOpen(); }
    // An exchange of its own or a replay is under way.
    bool busy() const { return pending_.has_value() || animating_; }

    Effects open(int tableId);
    // "Новая": back to a local game; an answer still to come is dropped.
    void leave();
    // The window closed: the exchange and the replay under way are forgotten, the table stays.
    void stop();

    // A click on the user's row while an exchange or a replay of the table runs is kept and
    // played once the table is idle again, if it is still the user's move then.
    Effects click(int pit, bool otherWork);
    Effects pollTick(bool otherWork);
    Effects clockTick();
    // The pause after a failed exchange is over: the table is asked for again.
    Effects retryTick(bool otherWork);
    // Exchanges in a row that reached no server.
    int failures() const { return failures_; }
    Effects pauseOver(bool otherWork);
    // "Обновить стол" and "Жми, если готов".
    Effects refresh(bool otherWork);
    Effects ready(bool otherWork);
    // "Покинуть стол": tells the server, then the window goes back to a local game, unless
    // the game has begun meanwhile.
    Effects leaveTable(bool otherWork);
    // "Реванш": asks the server; both players asking moves both to the new table.
    Effects rematch(bool otherWork);
    // Every 10 s: a seated player's client tells the server it still follows the game.
    Effects aliveTick(bool otherWork);

    Effects answered(const Answer& answer);
    Effects animationDone();

  private:
    struct Pending {
        RequestKind kind;
        int tableId;
        int pit;
        bool userAsked;  // its answer goes to the status pane even when all went well
        bool catchUp;    // a reload: records not shown yet are replayed before its board
    };
    // What follows the animation of a move: the reload, or (a move the server took) the
    // records after it, so that quick replies of the opponent are all shown one by one.
    enum class AfterMove { Reload, NextRecords };

    Effects request(RequestKind kind, net::Request request, bool userAsked, int pit = 0,
                    bool catchUp = true);
    Effects reload(bool userAsked, bool catchUp = true);
    Effects askNextRecord(bool catchingUp);
    Effects dispatch(const Pending& pending, const Answer& answer);
    Effects playKeptClick(Effects effects);
    std::chrono::milliseconds retryDelay() const;
    Effects rematchAnswered(const Answer& answer);
    Effects moveTo(int tableId);
    void noticeChanges(const TableState& before, Effects& effects) const;
    Effects tableLoaded(const net::PostResult* result, bool catchUp);
    Effects recordPolled(const net::PostResult* result);
    Effects moveAnswered(const Pending& pending, const Answer& answer);
    Effects leaveAnswered(const Answer& answer);
    Effects play(int pit, AfterMove after);
    bool idle(bool otherWork) const { return !otherWork && !busy(); }

    OnlineTable table_;
    Game& game_;
    std::optional<Pending> pending_;
    bool animating_ = false;
    AfterMove afterMove_ = AfterMove::Reload;
    bool catchingUp_ = false;         // a chain of "nextrecord" after a shown move runs
    bool ownRecordExpected_ = false;  // the next record is the user's own move, shown already
    bool resultShown_ = false;
    bool aliveSupported_ = true;
    int failures_ = 0;
    std::optional<int> keptClick_;
};

}  // namespace pimra::online
