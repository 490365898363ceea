#include "net/Requests.h"

#include "net/Md5.h"

namespace pimra::net {

Request LoginRequest(const std::string& login, const std::string& password) {
    return {{"action", "login"}, {"login", login}, {"pass", MD5Hex(password)}};
}

Request TableListRequest() {
    return {{"action", "tablelist"}, {"gameid", "1"}};
}

Request NewTableRequest(const Session& session, int timeLimitSeconds,
                        const std::string& bonusText) {
    return {{"action", "newtable"},
            {"gameid", "1"},
            {"sid", session.Sid},
            {"code", session.Code},
            {"timelimit", std::to_string(timeLimitSeconds)},
            {"bonus", bonusText}};
}

Request RegTableRequest(int tableId, const Session& session) {
    return {{"action", "regtable"},
            {"tableid", std::to_string(tableId)},
            {"sid", session.Sid},
            {"code", session.Code}};
}

Request GetTableRequest(int tableId) {
    return {{"action", "gettable"}, {"appid", "pimra"}, {"tableid", std::to_string(tableId)}};
}

Request NextRecordRequest(int lastRecord, bool awaitTopRow, int tableId) {
    return {{"action", "nextrecord"},
            {"appid", "pimra"},
            {"ind", std::to_string(lastRecord)},
            {"side", awaitTopRow ? "1" : "0"},
            {"tableid", std::to_string(tableId)}};
}

Request ReadyRequest(const Session& session, int tableId) {
    return {{"action", "ready"},
            {"sid", session.Sid},
            {"code", session.Code},
            {"tableid", std::to_string(tableId)}};
}

Request MoveRequest(const Session& session, int tableId, int pit) {
    return {{"action", "move"},
            {"sid", session.Sid},
            {"code", session.Code},
            {"tableid", std::to_string(tableId)},
            {"move", std::to_string(pit)}};
}

namespace {

// An action of a seated player about one table.
Request SeatRequest(const char* action, const Session& session, int tableId) {
    return {{"action", action},
            {"sid", session.Sid},
            {"code", session.Code},
            {"tableid", std::to_string(tableId)}};
}

}  // namespace

Request LeaveRequest(const Session& session, int tableId) {
    return SeatRequest("leave", session, tableId);
}

Request RematchRequest(const Session& session, int tableId) {
    return SeatRequest("rematch", session, tableId);
}

Request AliveRequest(const Session& session, int tableId) {
    return SeatRequest("alive", session, tableId);
}

Request ResignRequest(const Session& session, int tableId) {
    return SeatRequest("resign", session, tableId);
}

Request OfferDrawRequest(const Session& session, int tableId) {
    return SeatRequest("offerdraw", session, tableId);
}

Request SayRequest(const Session& session, int tableId, const std::string& text) {
    Request request = SeatRequest("say", session, tableId);
    request.push_back({"text", text});
    return request;
}

Request LogoutRequest(const Session& session) {
    return {{"action", "logout"}, {"sid", session.Sid}, {"code", session.Code}};
}

}  // namespace pimra::net
