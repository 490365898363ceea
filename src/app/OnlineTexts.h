#pragma once

#include <QString>

#include "online/GameResult.h"
#include "online/OnlineTable.h"

namespace pimra {

// Texts of the online table that the table gives in parts, put in words of the interface's
// language around what the server sent (logins, ratings) as it came.

// "Bob (1512) (нет на месте)"; nothing for a free seat.
QString seatLabelText(const online::SeatLabel& seat);
// "Победил: Ann по времени !   40:32", "Ничья !   36:36", "Победил: Ann. Сдался: Bob !   1:1".
QString resultBoxText(const online::ResultBox& box);

}  // namespace pimra
