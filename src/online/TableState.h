#pragma once

#include "net/TableReply.h"

namespace pimra::online {

// The open table as the last successful "gettable" left it, plus the move poll's records.
struct TableState {
    // Members an older server lacks read as empty, false or none.
    net::TableReply Table;
    int LastRecord = 0;    // latest game record shown
    int OpponentMove = 0;  // pit of the move to replay, always 1..14 once set

    // The game has ended (a reply without a result reads as a draw, as it always has).
    bool Over() const { return Table.result != net::TableResult::Running; }
};

}  // namespace pimra::online
