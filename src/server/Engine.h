#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Accounts.h"
#include "Clock.h"
#include "FormBody.h"
#include "Store.h"
#include "TableRules.h"

namespace pimra::server {

struct EngineSettings {
    std::int64_t graceMs = 2000;
    // How long a finished table stays in the list.
    std::int64_t finishedListedMs = 10 * 60 * 1000;
    // Keeps one account from filling the list.
    int maxUnfinishedTablesPerLogin = 10;
    // A table whose game has not started goes away this long after its last change.
    std::int64_t waitingTableMs = 30 * 60 * 1000;
    int maxListedTables = 500;
    // A seated player whose client has not asked about the table for this long is away.
    std::int64_t awayAfterMs = 30 * 1000;
};

// The game actions behind "/engine/". Every reply is a JSON object of strings whose
// "response" is "Success" or a short reason in Russian. Safe to call from several threads.
class Engine {
  public:
    Engine(Store& store, const Clock& clock, Accounts& accounts, EngineSettings settings = {});

    // Decodes a request body and answers it; the result is UTF-8 JSON text. `address` is
    // where the request came from, for the limits on guessing passwords.
    std::string answer(std::string_view body, const std::string& address = "");
    nlohmann::json handle(const FormFields& fields, const std::string& address = "");

  private:
    nlohmann::json login(const FormFields& fields, const std::string& address);
    nlohmann::json tableList(const FormFields& fields);
    nlohmann::json newTable(const FormFields& fields);
    nlohmann::json regTable(const FormFields& fields);
    nlohmann::json getTable(const FormFields& fields);
    nlohmann::json nextRecord(const FormFields& fields);
    nlohmann::json ready(const FormFields& fields);
    nlohmann::json move(const FormFields& fields);
    nlohmann::json leave(const FormFields& fields);
    nlohmann::json rematch(const FormFields& fields);
    nlohmann::json alive(const FormFields& fields);

    void removeStaleTables(StoreTransaction& tx, std::int64_t nowMs) const;
    nlohmann::json describeTable(const TableRow& table, std::int64_t nowMs) const;
    // The members that "gettable" gained beside the first ones.
    void describeActivity(StoreTransaction& tx, const TableRow& table, std::int64_t nowMs,
                          nlohmann::json& result) const;
    // A seat's player told the server about the table now.
    static void markSeen(StoreTransaction& tx, const TableRow& table, Side seat,
                         std::int64_t nowMs);
    // The game was just ended by the move that was played, or by `settleClock`; kept for the
    // archive and the ratings in the same write.
    static void gameEnded(StoreTransaction& tx, const TableRow& table, GameFinish finish);
    // A loss on time found now is stored with its end of the game; true if there was one.
    bool settle(StoreTransaction& tx, TableRow& table, std::int64_t nowMs) const;
    std::string requireLogin(StoreTransaction& tx, const FormFields& fields) const;
    // A clock that has run out ends the game now and the result is stored.
    bool lostOnTime(StoreTransaction& tx, TableRow& table, std::int64_t nowMs) const;

    Store& store_;
    const Clock& clock_;
    Accounts& accounts_;
    EngineSettings settings_;
    TableRules rules_;
};

}  // namespace pimra::server
