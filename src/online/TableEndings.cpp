#include "online/TableEndings.h"

namespace pimra::online {

void TableEndings::Open() {
    rematchKnown_ = drawsKnown_ = false;
    drawOffer1_ = drawOffer2_ = false;
    drawAsked_ = false;
}

bool TableEndings::TakeReply(const net::Reply& reply) {
    const bool offeredBefore = OpponentOffer();
    rematchKnown_ = reply.contains("nexttable");
    drawsKnown_ = reply.contains("drawoffer1");
    drawOffer1_ = table_.State().Table.seat1.drawOffer;
    drawOffer2_ = table_.State().Table.seat2.drawOffer;
    drawAsked_ = false;
    return OpponentOffer() && !offeredBefore;
}

bool TableEndings::OwnOffer() const {
    const std::optional<Side> seat = table_.OwnSeat();
    return seat && (*seat == Side::Bottom ? drawOffer1_ : drawOffer2_);
}

bool TableEndings::OpponentOffer() const {
    const std::optional<Side> seat = table_.OwnSeat();
    return seat && (*seat == Side::Bottom ? drawOffer2_ : drawOffer1_);
}

bool TableEndings::OpponentAsksRematch() const {
    const std::optional<Side> seat = table_.OwnSeat();
    const net::TableReply& table = table_.State().Table;
    if (!seat || !table_.GameOver() || table.nextTable.value_or(0) > 0) return false;
    return table.seat(other(*seat)).rematch;
}

bool TableEndings::CanResign() const {
    return ServerTakesOffers() && table_.IsOpen() && table_.Loaded() && table_.OwnSeat() &&
           !table_.GameOver() && !table_.State().Table.activeLogin.empty();
}

bool TableEndings::CanOfferDraw() const {
    return CanResign() && !OwnOffer() && !drawAsked_;
}

bool TableEndings::FollowsFinishedGame() const {
    if (!rematchKnown_ || !table_.GameOver()) return false;
    return table_.OwnSeat() ? table_.CanAskRematch()
                            : table_.State().Table.nextTable.value_or(0) == 0;
}

std::optional<int> TableEndings::RematchToWatch() const {
    const int next = table_.State().Table.nextTable.value_or(0);
    if (!table_.GameOver() || table_.OwnSeat() || next <= 0 || next == table_.TableId()) {
        return std::nullopt;
    }
    return next;
}

EndingsView TableEndings::View() const {
    EndingsView view;
    view.resignVisible = CanResign();
    view.drawVisible = view.resignVisible;
    view.drawAccepts = view.drawVisible && OpponentOffer();
    view.drawEnabled = CanOfferDraw();
    if (view.drawVisible && OpponentOffer()) view.drawNote = kOpponentOffersDrawText;
    if (view.drawVisible && OwnOffer()) view.drawNote = kOwnDrawOfferText;
    if (OpponentAsksRematch()) view.rematchNote = kOpponentAsksRematchText;
    view.watchRematchVisible = RematchToWatch().has_value();
    return view;
}

}  // namespace pimra::online
