#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "core/Game.h"
#include "net/ServerConnection.h"
#include "online/Effects.h"
#include "online/GameResult.h"
#include "online/OnlineTable.h"
#include "online/PlayedGame.h"
#include "online/TableChat.h"
#include "online/TableEndings.h"

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

// How an exchange ended: no result when it was not made at all.
struct Answer {
    std::optional<net::PostResult> result;
    std::string statusText;  // the connection's status text after the exchange
};

// The open table: turn control, the poll and the clock, the replay of the opponent's moves and
// the user's own, as events in and effects out. Holds at most one exchange at a time, and
// waits while the window is busy with other work (a lobby request, for one).
class TableController : public PlayedGame {
  public:
    // Both must outlive the controller.
    TableController(const net::Session& session, Game& game, MonotonicClock clock = steadyNow)
        : table_(session, std::move(clock)), endings_(table_), game_(game), session_(session) {}

    // Work of the window's that the table waits for; none: the window is never busy.
    void setOtherWork(std::function<bool()> otherWork) { otherWork_ = std::move(otherWork); }

    const OnlineTable& table() const { return table_; }
    const TableEndings& endings() const { return endings_; }
    void setClock(MonotonicClock clock) { table_.SetClock(std::move(clock)); }
    bool isOpen() const { return table_.IsOpen(); }
    // An exchange of its own or a replay is under way.
    bool busy() const override { return pending_.has_value() || animating_; }

    Effects open(int tableId);
    // "Новая": back to a local game; an answer still to come is dropped.
    void leave();
    // The window closed: the exchange and the replay under way are forgotten, the table stays.
    void stop();

    // A click on the user's row while an exchange or a replay of the table runs is kept and
    // played once the table is idle again, if it is still the user's move then.
    Effects click(int pit) override;
    Effects pollTick();
    Effects clockTick();
    // The pause after a failed exchange is over: the table is asked for again.
    Effects retryTick();
    // Exchanges in a row that reached no server.
    int failures() const { return failures_; }
    Effects pauseOver();
    // "Обновить стол" and "Жми, если готов".
    Effects refresh();
    Effects ready();
    // "Покинуть стол": tells the server, then the window goes back to a local game, unless
    // the game has begun meanwhile.
    Effects leaveTable();
    // "Реванш": asks the server; both players asking moves both to the new table.
    Effects rematch();
    // Every 10 s: a seated player's client tells the server it still follows the game, a
    // finished one too while a rematch may come of it. Put off while an exchange runs.
    Effects aliveTick();
    // "Сдаться", once the user has confirmed it, and "Предложить ничью" (or accept the
    // opponent's offer by offering back).
    Effects resign();
    Effects offerDraw();
    // "Смотреть реванш": a spectator goes to the rematch table.
    Effects watchRematch();
    // "Чат" checked or not; it counts from the next table opened.
    void setChatOn(bool on) { chat_.setOn(on); }
    const TableChat& chat() const { return chat_; }
    // Lines may be said here: the pane is shown and the user is logged in.
    bool canSay() const { return chat_.shown() && session_.LoggedIn(); }
    // A line the user said in the chat; kept while an exchange runs. A blank line, or one
    // said while another waits for its answer, is not sent: the entry line keeps it.
    Effects say(const std::string& text);

    Effects answered(const Answer& answer);
    Effects animationDone() override;

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
    Effects endingsUnsupported();
    Effects sendDueAlive(Effects effects);
    Effects sendKeptLine(Effects effects);
    void showChat(const net::Reply& reply, Effects& effects);
    // The table is still asked about: a game not over, or a finished one a rematch may follow.
    bool polls() const { return !table_.GameOver() || endings_.FollowsFinishedGame(); }
    Effects play(int pit, AfterMove after);
    bool idle() const { return !(otherWork_ && otherWork_()) && !busy(); }

    OnlineTable table_;
    TableEndings endings_;
    Game& game_;
    std::function<bool()> otherWork_;
    std::optional<Pending> pending_;
    bool animating_ = false;
    AfterMove afterMove_ = AfterMove::Reload;
    bool catchingUp_ = false;         // a chain of "nextrecord" after a shown move runs
    bool ownRecordExpected_ = false;  // the next record is the user's own move, shown already
    bool resultShown_ = false;
    bool aliveSupported_ = true;
    bool aliveDue_ = false;  // the last alive tick found an exchange running
    int failures_ = 0;
    std::optional<int> keptClick_;
    const net::Session& session_;
    TableChat chat_;
    std::optional<std::string> keptLine_;
    bool lineSent_ = false;  // a line of the user's waits for its answer
};

}  // namespace pimra::online
