#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/Move.h"
#include "net/ChatLine.h"
#include "net/ServerConnection.h"
#include "online/GameResult.h"

namespace pimra::online {

enum class RequestKind {
    Reload,
    NextRecord,
    Move,
    Ready,
    Leave,
    Rematch,
    Alive,
    Resign,
    OfferDraw,
    Say
};

struct Outgoing {
    RequestKind kind = RequestKind::Reload;
    net::Request request;
    // Sent after a failed exchange: the connection is to try the server again.
    bool afterFailure = false;
};

// What the window is to do after an event of the game being played, local or at a table, in
// this order: show the board, the table and the clocks, write the panes, handle the timers,
// animate, send.
struct Effects {
    bool showBoard = false;   // the game's board changed without a move
    bool showTable = false;   // panel, labels, cursors; "Особые возможности" off
    bool showClocks = false;  // the clocks alone
    bool historyChanged = false;
    std::optional<std::string> message;  // the right-hand status pane
    std::optional<std::string> status;   // the board's own status panel
    // The computer began (true) or ended (false) thinking of its move.
    std::optional<bool> thinking;
    bool startTimers = false;      // restart the clock, start the poll unless it runs
    bool stopTimers = false;       // poll, clock and the run-out pause
    bool stopAlive = false;        // no table to tell that the user still follows it
    bool clockStands = false;      // the game is over: the clock stops, the poll may go on
    bool pauseThenReload = false;  // stop the clock; reload after the run-out pause
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
    // The chat pane: emptied for another table, then given the lines not shown before
    // (oldest first), shown or hidden as "Чат" and the server allow.
    bool chatCleared = false;
    std::vector<net::ChatLine> chatLines;
    std::optional<bool> chatShown;
    bool chatSaid = false;  // the server took the user's line: the entry line is emptied
};

}  // namespace pimra::online
