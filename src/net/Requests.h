#pragma once

#include <string>

#include "net/FormEncoding.h"
#include "net/Session.h"

namespace pimra::net {

// The requests the client makes, lines in their order on the wire.
Request LoginRequest(const std::string& login, const std::string& password);
Request TableListRequest();
Request NewTableRequest(const Session& session, int timeLimitSeconds, const std::string& bonusText);
Request RegTableRequest(int tableId, const Session& session);
Request GetTableRequest(int tableId);
// `awaitTopRow`: the top row (seat 2) is to move.
Request NextRecordRequest(int lastRecord, bool awaitTopRow, int tableId);
Request ReadyRequest(const Session& session, int tableId);
Request MoveRequest(const Session& session, int tableId, int pit);
// Gets up from a table whose game has not started; servers before it answer with a reason.
Request LeaveRequest(const Session& session, int tableId);
// Asks for a rematch of a finished table; the reply's "tableid" is the new table once both
// players have asked.
Request RematchRequest(const Session& session, int tableId);
// Tells the server that the seated user still follows the table.
Request AliveRequest(const Session& session, int tableId);
// Gives up the running game; offers a draw, or accepts the opponent's offer.
Request ResignRequest(const Session& session, int tableId);
Request OfferDrawRequest(const Session& session, int tableId);
// Says a line in the table's chat, as a player or a spectator; servers before it answer with
// a reason.
Request SayRequest(const Session& session, int tableId, const std::string& text);
// Ends the session on the server; servers before it answer with a reason.
Request LogoutRequest(const Session& session);

}  // namespace pimra::net
