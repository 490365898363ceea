#pragma once

#include <array>
#include <functional>
#include <initializer_list>

#include "core/Position.h"
#include "online/OnlineTable.h"

class QObject;
class QWidget;

namespace pimra {

class TLunka;

// The fourteen places of the board as drawn: placed for the board's turn, counting what a
// position holds, pointing at the user's rows and lighting the pit "Подсказка" names.
class BoardPits {
  public:
    using Places = std::array<TLunka*, 15>;  // 1-based; element 0 unused

    // Makes the places on `board`; a click on one goes to `clicked` with its game index.
    BoardPits(QWidget* board, QObject* receiver, std::function<void(int index)> clicked);

    TLunka* pit(int index) const;
    const Places& places() const { return places_; }

    void show(const Position& position);
    void show(const Position& position, std::initializer_list<int> indices);
    // Drawn turned (seat 2's row at the bottom) or not; false when nothing changed.
    bool place(bool turned);
    // The pointer tells which rows are the user's, not whose turn it is.
    void pointAt(online::PlayableRows rows);
    void lightHint(int index);
    void endHint();
    // Every place in its normal colour, as after a move cut short.
    void settle();
    void retranslate();

  private:
    Places places_{};
    TLunka* hinted_ = nullptr;
    bool turned_ = false;
};

}  // namespace pimra
