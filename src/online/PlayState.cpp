#include "PlayState.h"

#include <utility>

namespace pimra::online {

PlayState::PlayState(const net::Session& session, MoveChooser* chooser,
                     std::unique_ptr<RandomSource> random)
    : local_(std::move(random), chooser), table_(session, local_.match().game()) {
    table_.setOtherWork([this] { return otherWork(); });
}

PlayedGame& PlayState::current() {
    if (table_.isOpen()) return table_;
    return local_;
}

void PlayState::setRequestQuery(std::function<bool()> requestRunning) {
    requestRunning_ = std::move(requestRunning);
}

bool PlayState::otherWork() const {
    const bool request = requestRunning_ && requestRunning_();
    return activity_.animating || local_.busy() || activity_.hint || request;
}

bool PlayState::busy() const {
    return otherWork() || table_.busy();
}

Commands PlayState::commands() const {
    const Game& played = game();
    const bool localTurn = local_.busy();
    // A local turn keeps the menu locked until it is over, but the computer's thought leaves
    // the game to be begun anew, loaded or left meanwhile.
    const bool moveLock = activity_.animating || (localTurn && !local_.thinking());
    Commands commands;
    commands.lobby = !activity_.animating && !localTurn;
    commands.save = !moveLock;
    commands.sound = !moveLock;
    commands.background = !moveLock;
    commands.special = commands.lobby && !table_.isOpen();
    commands.back = played.history().canGoBack();
    commands.forward = played.history().canGoForward();
    commands.addStones = played.canAddStones();
    commands.removeStones = played.canRemoveStones();
    commands.recordCommands = commands.special;
    commands.history = commands.special && !busy();
    commands.analysis = !table_.isOpen();
    return commands;
}

bool PlayState::moveToShow() const {
    return activity_.animating || (local_.busy() && !local_.thinking());
}

Effects PlayState::click(int pit) {
    // The table keeps a click made while its own exchange or replay runs.
    if (!table_.isOpen() && busy()) return {};
    return current().click(pit);
}

Effects PlayState::newGame() {
    const bool leftTable = table_.isOpen();
    table_.leave();
    Effects effects = local_.abandon();
    game().newGame();
    effects.showBoard = true;
    effects.historyChanged = true;
    effects.stopTimers = true;
    effects.stopAlive = true;
    // The table's "Ходит: …" or "Ожидание" is no text for the local game.
    if (leftTable) effects.status = "Ваш ход";
    return effects;
}

Effects PlayState::load(const Position& position) {
    Effects effects = local_.abandon();
    game().loadPosition(position, !table_.isOpen());
    effects.showBoard = true;
    return effects;
}

Effects PlayState::edit(BoardEdit edit) {
    if (!commands().special) return {};
    return local_.edit(edit);
}

int PlayState::hintPit() const {
    if (!commands().special || activity_.hint) return 0;
    return game().hint();
}

Effects PlayState::moveStopped(PlayedGame* mover) {
    if (mover != &table_) return {};
    return table_.animationDone();
}

PlayState::RecordStep PlayState::goToRecordMoves(std::size_t moves) {
    if (!commands().history) return RecordStep::Refused;
    return game().goToRecordMoves(moves) ? RecordStep::Reached : RecordStep::OutOfReach;
}

Effects PlayState::loadRecord(GameRecord record) {
    if (!commands().history) return {};
    game().loadRecord(std::move(record));
    Effects effects;
    effects.showBoard = true;
    effects.showTable = true;
    effects.historyChanged = true;
    effects.status = statusText(game().sideToMove());
    return effects;
}

bool PlayState::boardTurned(bool ownRowBottom) const {
    return ownRowBottom && table_.isOpen() && table_.table().OwnSeat() == Side::Top;
}

}  // namespace pimra::online
