#pragma once

#include <string>
#include <vector>

#include "SqlDialect.h"

namespace pimra::server {

// The statements of both stores, written once.
enum class Sql {
    FindAccount,
    LoginKeyTaken,
    AddAccount,
    AllLogins,
    SetLoginKey,
    AddSession,
    FindSession,
    TouchSession,
    DropUnusedSessions,
    DropOldSessions,
    AddTable,
    FindTable,
    FindTableForUpdate,
    UpdateTable,
    RemoveRecordsOf,
    RemoveTable,
    RemoveRecordsOfWaiting,
    RemoveWaitingTables,
    ListWaiting,
    ListRunning,
    ListFinished,
    CountUnfinished,
    RunningTablesOf,
    AddRecord,
    RecordAfter,
    RecordsOf,
    AddGameOutcome,
    FindGameOutcome,
    FinishedGamesOf,
    FindPlayer,
    SavePlayer,
    FindActivity,
    SaveActivity,
    AddChatLine,
    ChatOf,
    CountChatLinesOf,
    CountEvents,
    AddEvent,
    RemoveEvents,
    AddSecret,
    FindSecret,
    Count  // not a statement: how many there are
};

// The text of every statement in the dialect's spelling, indexed by `Sql`.
std::vector<std::string> storeStatements(const SqlDialect& dialect);

// The columns that `readTable` and `readOutcome` expect, in their order.
constexpr int kTableColumnCount = 21;

}  // namespace pimra::server
