#pragma once

#include <functional>
#include <memory>

#include "core/MoveChooser.h"
#include "online/Commands.h"
#include "online/LocalGame.h"
#include "online/TableController.h"

namespace pimra::online {

// Everything the main window shows, without Qt: the local game and the online table, which
// of them is being played, what the window is doing and so which commands are allowed.
class PlayState {
  public:
    static constexpr int kLocalStepDelay = 200;

    // Both must outlive the state; `chooser`: the computer for the local game.
    PlayState(const net::Session& session, MoveChooser* chooser,
              std::unique_ptr<RandomSource> random = std::make_unique<ClockRandom>());

    Game& game() { return local_.match().game(); }
    const Game& game() const { return local_.match().game(); }
    LocalGame& local() { return local_; }
    const LocalGame& local() const { return local_; }
    TableController& table() { return table_; }
    const TableController& table() const { return table_; }
    // The open table, or else the local game.
    PlayedGame& current();

    // The window's own work; the query tells whether an exchange with the server runs.
    void setRequestQuery(std::function<bool()> requestRunning);
    void setAnimating(bool on) { activity_.animating = on; }
    void setHint(bool on) { activity_.hint = on; }
    bool animating() const { return activity_.animating; }

    // A move, a turn, a hint or an exchange is under way: clicks and keys wait.
    bool busy() const;
    Commands commands() const;
    // A move is decided that the board is still to show: the analysis waits for it.
    bool moveToShow() const;

    // The click, to the game being played; a local one waits for anything running.
    Effects click(int pit);
    // "Новая": the table left, the turn dropped, a fresh local game.
    Effects newGame();
    // A saved position replaces the board (at a table too, where it is only shown).
    Effects load(const Position& position);
    // "Особые возможности": only in local play with nothing running.
    Effects edit(BoardEdit edit);
    // The pit "Подсказка" lights; 0 while one is lit, nothing can be played or it is refused.
    int hintPit() const;
    // A move cut short on the screen: a replay at a table goes on from its end.
    Effects moveStopped(PlayedGame* mover);

    // The record window's click: the history at `moves` moves of the record, if it holds them.
    enum class RecordStep { Refused, Reached, OutOfReach };
    RecordStep goToRecordMoves(std::size_t moves);
    // A record read from a file replaces the game, as the record window's commands allow.
    Effects loadRecord(GameRecord record);

    // Seat 2 sees the board turned at a table when the own row is to be at the bottom.
    bool boardTurned(bool ownRowBottom) const;
    int stepDelay() const { return table_.isOpen() ? onlineStepDelay_ : localStepDelay_; }
    void setLocalStepDelay(int milliseconds) { localStepDelay_ = milliseconds; }
    void setOnlineStepDelay(int milliseconds) { onlineStepDelay_ = milliseconds; }

  private:
    bool otherWork() const;

    LocalGame local_;
    TableController table_;
    Activity activity_;
    std::function<bool()> requestRunning_;
    int localStepDelay_ = kLocalStepDelay;
    int onlineStepDelay_ = kOnlineStepDelay;
};

}  // namespace pimra::online
