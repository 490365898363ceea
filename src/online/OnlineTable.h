#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/Position.h"
#include "net/FormEncoding.h"
#include "net/Reply.h"
#include "net/Session.h"
#include "online/Clocks.h"
#include "online/TableState.h"

namespace pimra::online {

using net::FieldText;
using net::Reply;
using net::Request;
using net::Session;

inline constexpr int kLocalWindowWidth = 730;
inline constexpr int kTableWindowWidth = 880;
// Step pause of the move animation at a table, in milliseconds.
inline constexpr int kOnlineStepDelay = 50;

enum class LoginColour { Black, Green, Red };

inline constexpr const char* kAwayText = "(нет на месте)";

// A seat as the information panel names it: the login, the rating the server keeps for it,
// and whether its player is away.
struct SeatLabel {
    std::string login;
    std::string rating;
    bool away = false;

    bool operator==(const SeatLabel&) const = default;
};

// "Bob (1512) (нет на месте)"; nothing for a free seat.
std::string SeatLabelText(const SeatLabel& seat);

// What the window shows of the table (window width, information panel, labels, result).
struct TableView {
    int windowWidth = kLocalWindowWidth;
    bool panelVisible = false;
    std::string tableLabel;                 // "Стол №" + id
    std::optional<std::string> statusText;  // central status text; none: leave it alone
    SeatLabel seat1;
    SeatLabel seat2;
    std::string loginLabel1;  // the seats in words
    std::string loginLabel2;
    LoginColour loginColour1 = LoginColour::Black;
    LoginColour loginColour2 = LoginColour::Black;
    ClockTexts clocks;
    bool resultVisible = false;  // "Партия завершена" and the result text
    std::string resultText;
    bool readyVisible = false;
    // "Покинуть стол": the user sits at this table and its game has not started.
    bool leaveVisible = false;
    // "Вы наблюдаете": the user sits at neither seat.
    bool watching = false;
    // "Реванш": a seated player of a finished game, while the server takes the request.
    bool rematchVisible = false;
    bool rematchAsked = false;  // this user has asked for it already
};

inline constexpr const char* kWatchingText = "Вы наблюдаете";

// What the poll timer should do now.
enum class PollAction { Nothing, Reload, AskNextRecord };

enum class NextRecordOutcome {
    NoNewRecord,  // nothing changed
    Replay,       // play OpponentMove on the board, then reload
    ReloadOnly,   // a new record whose move cannot be played: take the server's board
};

struct ClockTick {
    bool setClocks = false;        // show the clocks anew
    bool pauseThenReload = false;  // a clock has run out: wait a second, then reload
};

struct PlayableRows {
    bool bottom = false;
    bool top = false;
};

// The online table: decides what to send, what to show and what to play; the window sends
// the requests and animates. Reads the session it is given, which must outlive it.
class OnlineTable {
  public:
    explicit OnlineTable(const Session& session, MonotonicClock clock = steadyNow)
        : session_(session), clock_(std::move(clock)) {}

    void SetClock(MonotonicClock clock) { clock_ = std::move(clock); }
    int TableId() const { return tableId_; }
    bool IsOpen() const { return tableId_ > 0; }
    const TableState& State() const { return state_; }

    // The lobby opens a table; records of another table mean nothing here.
    void Open(int tableId);
    // "Новая": back to a local game. The server is not told.
    void Leave() { tableId_ = 0; }

    // ReLoad: the request (none while no table is open), then the successful reply.
    std::optional<Request> ReloadRequest() const;
    // Takes a successful "gettable" reply; gives the board with the server's position. When
    // the server has records this table has not shown yet (and `catchUp`), the board and the
    // last record stay as they are, so that the moves can be replayed first.
    Position ApplyTableReply(const Reply& reply, const Position& board, bool catchUp = true);
    // A "gettable" of the table open now has succeeded.
    bool Loaded() const { return loadedHere_; }
    // The last reply left records to replay before its board may be taken.
    bool UnseenRecords() const { return unseenRecords_; }
    // Counts the record of the user's own move, shown already, as seen.
    void RecordSeen(int record) { state_.LastRecord = record; }

    // The bottom row when seat 1 is to move, else the top row.
    Side SideToMove() const;
    TableView View() const;
    // UpdateCursor: the rows whose pits the user may click.
    PlayableRows Rows() const;
    // The online click: only on the user's own row, and only on the user's turn.
    bool AcceptsClick(int pit) const;
    // A finished game accepts no move.
    bool GameOver() const { return IsOpen() && state_.Over(); }

    PollAction OnPollTimer(bool busy) const;
    // After the poll's work: a finished game stops both timers.
    bool PollingEnds() const { return state_.Over(); }
    Request NextRecordRequest() const;
    // Takes the "nextrecord" reply; null when the request failed.
    NextRecordOutcome ApplyNextRecord(const Reply* reply);

    // The clocks as the server's last table state gave them, the one running counted down by
    // the time since that state arrived: every client shows the same, whoever is busy.
    ClockTick OnClockTimer() const;
    ClockTexts Clocks() const;
    // Milliseconds left on a seat's clock now; none when the server sent no number.
    std::optional<std::int64_t> RemainingMs(Side seat) const;
    // When the running clock shows its next second; none while no clock runs.
    std::optional<std::chrono::milliseconds> UntilNextSecond() const;
    // The clock of the player to move has run out and the game is not over yet.
    bool ClockRunOut() const;

    Request SendMoveRequest(int pit) const;
    Request ReadyRequest() const;
    Request LeaveRequest() const;
    // The user holds a seat of a table whose game has not started.
    bool CanLeave() const;
    // The seat the user holds here; none for a spectator.
    std::optional<Side> OwnSeat() const;
    // A seated player of a finished game may ask for a rematch (unless the server cannot).
    bool CanAskRematch() const;
    Request RematchRequest() const;
    Request AliveRequest() const;
    Request ResignRequest() const;
    Request OfferDrawRequest() const;
    // The server has no "rematch": the button is not offered again at any table.
    void RematchUnsupported() { rematchSupported_ = false; }
    void RematchAsked() { rematchAsked_ = true; }

  private:
    bool OwnsSeat(const std::string& seatLogin) const;
    std::optional<Side> RunningClock() const;

    const Session& session_;
    MonotonicClock clock_;
    std::chrono::milliseconds stateArrived_{0};  // when the last table state came
    int tableId_ = 0;
    TableState state_;
    bool loaded_ = false;  // a "gettable" has succeeded: the login labels have colours
    bool readyVisible_ = false;
    bool loadedHere_ = false;  // a "gettable" of the table open now has succeeded
    bool unseenRecords_ = false;
    bool rematchSupported_ = true;
    bool rematchAsked_ = false;
};

}  // namespace pimra::online
