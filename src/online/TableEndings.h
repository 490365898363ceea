#pragma once

#include <optional>
#include <string>

#include "net/Reply.h"
#include "online/OnlineTable.h"

namespace pimra::online {

inline constexpr const char* kOpponentOffersDrawText = "Соперник предлагает ничью";
inline constexpr const char* kOwnDrawOfferText = "Вы предложили ничью";
inline constexpr const char* kOpponentAsksRematchText = "Соперник просит реванш";

// What the information panel shows of the ways a game ends besides the board and the clock.
struct EndingsView {
    bool resignVisible = false;  // "Сдаться": a seated player of a running game
    bool drawVisible = false;    // "Предложить ничью"
    bool drawAccepts = false;  // the opponent's offer stands: the button reads "Принять ничью"
    bool drawEnabled = false;  // not while the user's own offer stands
    std::string drawNote;      // whose offer stands; empty when none does
    std::string rematchNote;   // the opponent has asked for a rematch
    // "Смотреть реванш": a spectator of a finished game whose rematch table is open.
    bool watchRematchVisible = false;

    bool operator==(const EndingsView&) const = default;
};

// Resignations, draw offers and rematch requests at the open table: what the server said of
// them in its last table state, and what the user may do about them now.
class TableEndings {
  public:
    // The table must outlive this.
    explicit TableEndings(const OnlineTable& table) : table_(table) {}

    // A new table is open: nothing is known of it yet.
    void Open();
    // Takes a successful "gettable" reply of the open table, after the table itself has; gives
    // whether the opponent has just offered a draw.
    bool TakeReply(const net::Reply& reply);
    // The server answered "Неизвестное действие" to a resignation or an offer.
    void Unsupported() { unsupported_ = true; }
    // The user pressed "Предложить ничью"; the next reply tells how it stands.
    void DrawAsked() { drawAsked_ = true; }

    // The server tells of draw offers and takes "resign" and "offerdraw".
    bool ServerTakesOffers() const { return drawsKnown_ && !unsupported_; }
    bool CanResign() const;
    bool CanOfferDraw() const;
    // A finished game is still asked about while a rematch may come of it: the players until
    // they move on, a spectator until the rematch table is known.
    bool FollowsFinishedGame() const;
    // The rematch table a spectator may go to.
    std::optional<int> RematchToWatch() const;
    EndingsView View() const;

  private:
    bool OwnOffer() const;
    bool OpponentOffer() const;
    bool OpponentAsksRematch() const;

    const OnlineTable& table_;
    bool rematchKnown_ = false;  // the server tells of rematches in its table state
    bool drawsKnown_ = false;    // ... and of draw offers: it takes "resign" and "offerdraw"
    bool unsupported_ = false;   // kept for the whole session with this server
    bool drawOffer1_ = false;
    bool drawOffer2_ = false;
    bool drawAsked_ = false;
};

}  // namespace pimra::online
