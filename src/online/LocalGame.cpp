#include "LocalGame.h"

#include <utility>

namespace pimra::online {

Effects LocalGame::click(int pit) {
    const std::optional<MoveResult> own = match_.click(pit);
    if (!own) return {};
    Effects effects;
    effects.historyChanged = true;
    effects.animate = *own;
    return effects;
}

Effects LocalGame::animationDone() {
    asking_ = true;
    const LocalMatch::Next next = match_.next(replyTo());
    asking_ = false;
    Effects effects;
    if (next == LocalMatch::Next::TurnOver) {
        effects.historyChanged = true;
        return effects;
    }
    if (match_.thinking()) effects.thinking = true;
    return collectReply(std::move(effects));
}

Effects LocalGame::levelChanged() {
    asking_ = true;
    const bool asked = match_.rethink(replyTo());
    asking_ = false;
    Effects effects;
    if (asked && match_.thinking()) effects.thinking = true;
    return collectReply(std::move(effects));
}

Effects LocalGame::abandon() {
    const bool wasThinking = match_.thinking();
    match_.abandonTurn();
    Effects effects;
    if (wasThinking) effects.thinking = false;
    return effects;
}

Effects LocalGame::edit(BoardEdit edit) {
    Game& game = match_.game();
    switch (edit) {
        case BoardEdit::Back:
            game.goBack();
            break;
        case BoardEdit::Forward:
            game.goForward();
            break;
        case BoardEdit::SwapRows:
            game.swapRows();
            break;
        case BoardEdit::AddStones:
            game.addStones();
            break;
        case BoardEdit::RemoveStones:
            game.removeStones();
            break;
    }
    Effects effects;
    effects.showBoard = true;
    effects.historyChanged = true;
    return effects;
}

LocalMatch::MoveReady LocalGame::replyTo() {
    return [this](const MoveResult& reply) {
        Effects effects;
        effects.thinking = false;
        effects.animate = reply;
        if (asking_) {
            reply_ = std::move(effects);
        } else if (sink_) {
            sink_(std::move(effects));
        }
    };
}

Effects LocalGame::collectReply(Effects effects) {
    if (!reply_) return effects;
    Effects reply = std::move(*reply_);
    reply_.reset();
    return reply;
}

}  // namespace pimra::online
