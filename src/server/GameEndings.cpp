#include "GameEndings.h"

#include "TableRules.h"

namespace pimra::server {

namespace {

constexpr int kDrawResult = 3;

bool& offerOf(TableActivity& activity, Side seat) {
    return seat == Side::Bottom ? activity.drawOffer1 : activity.drawOffer2;
}

}  // namespace

GameEndings::Refusal GameEndings::refusalFor(const TableRow& table) {
    switch (table.status) {
        case TableStatus::Waiting:
            return Refusal::NotStarted;
        case TableStatus::Finished:
            return Refusal::Over;
        case TableStatus::Playing:
            break;
    }
    return Refusal::None;
}

void GameEndings::resign(TableRow& table, Side seat, std::int64_t nowMs) {
    TableRules::endNow(table, sideNumber(other(seat)), nowMs);
}

bool GameEndings::offerDraw(TableRow& table, TableActivity& activity, Side seat,
                            std::int64_t nowMs) {
    offerOf(activity, seat) = true;
    if (!activity.drawOffer1 || !activity.drawOffer2) return false;
    activity.drawOffer1 = activity.drawOffer2 = false;
    TableRules::endNow(table, kDrawResult, nowMs);
    return true;
}

void GameEndings::moved(TableActivity& activity) {
    activity.drawOffer1 = activity.drawOffer2 = false;
}

bool GameEndings::offerStands(const TableRow& table, const TableActivity& activity, Side seat) {
    const bool offered = seat == Side::Bottom ? activity.drawOffer1 : activity.drawOffer2;
    return offered && table.status == TableStatus::Playing;
}

}  // namespace pimra::server
