#pragma once

#include <string>

namespace pimra::online {

// The open table as the last successful "gettable" left it, plus the move poll's records.
struct TableState {
    std::string Seat1Login;  // bottom row; empty = free seat
    std::string Seat2Login;  // top row
    std::string Seat1Time;   // remaining seconds as decimal text
    std::string Seat2Time;
    std::string ActiveLogin;  // empty while the game has not started
    bool Seat1Ready = false;
    bool Seat2Ready = false;
    std::string TableResult;  // "0" running, "1"/"2" that seat won, anything else a draw
    int LastRecord = 0;       // latest game record shown
    int OpponentMove = 0;     // pit of the move to replay, always 1..14 once set

    // Members newer servers add; empty (or false) from a server without them.
    std::string Finish;  // "moves" or "time" once the game is over
    std::string Seat1Rating;
    std::string Seat2Rating;
    bool Seat1Away = false;
    bool Seat2Away = false;
    bool Seat1Rematch = false;
    bool Seat2Rematch = false;
    int NextTable = 0;  // the rematch table, 0 while there is none
};

}  // namespace pimra::online
