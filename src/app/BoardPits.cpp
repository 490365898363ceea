#include "BoardPits.h"

#include "TLunka.h"
#include "online/BoardView.h"

namespace pimra {

BoardPits::BoardPits(QWidget* board, QObject* receiver, std::function<void(int index)> clicked) {
    for (int i = 1; i <= kPitCount; ++i) {
        auto* place = new TLunka(board);
        QObject::connect(place, &TLunka::clicked, receiver,
                         [clicked](TLunka* pit) { clicked(pit->PitIndex); });
        places_[static_cast<std::size_t>(i)] = place;
        place->PlacePit(i);
    }
}

TLunka* BoardPits::pit(int index) const {
    return Position::isValidIndex(index) ? places_[static_cast<std::size_t>(index)] : nullptr;
}

void BoardPits::show(const Position& position) {
    for (int i = 1; i <= kPitCount; ++i) pit(i)->setStones(position[i]);
}

void BoardPits::show(const Position& position, std::initializer_list<int> indices) {
    for (int index : indices) pit(index)->setStones(position[index]);
}

bool BoardPits::place(bool turned) {
    if (turned == turned_) return false;
    turned_ = turned;
    for (int i = 1; i <= kPitCount; ++i) pit(i)->PlacePit(i, online::ShownPlace(i, turned));
    return true;
}

void BoardPits::pointAt(online::PlayableRows rows) {
    for (int i = 1; i <= kPitCount; ++i) {
        const bool playable =
            !Position::isStore(i) && (Position::sideOf(i) == Side::Bottom ? rows.bottom : rows.top);
        pit(i)->setCursor(playable ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    }
}

void BoardPits::lightHint(int index) {
    hinted_ = pit(index);
    if (hinted_ != nullptr) hinted_->HighlightPit();
}

void BoardPits::endHint() {
    if (hinted_ == nullptr) return;
    hinted_->NormalPit();
    hinted_ = nullptr;
}

void BoardPits::settle() {
    for (int i = 1; i <= kPitCount; ++i) pit(i)->NormalPit();
}

void BoardPits::retranslate() {
    for (int i = 1; i <= kPitCount; ++i) pit(i)->updateAccessibleText();
}

}  // namespace pimra
