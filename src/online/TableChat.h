#pragma once

#include <cstdint>
#include <vector>

#include "net/ChatLine.h"
#include "net/Reply.h"

namespace pimra::online {

// The chat of the open table as the user sees it: which of the lines each "gettable" brings
// are new. Off ("Чат" unchecked) it shows nothing and the user says nothing.
class TableChat {
  public:
    void setOn(bool on) { on_ = on; }
    bool on() const { return on_; }
    // Another table: nothing of it shown yet.
    void open();
    // The lines of a "gettable" reply not shown before, oldest first; none while off.
    std::vector<net::ChatLine> take(const net::Reply& reply);
    // The pane is shown: on, and the table's server has chat.
    bool shown() const { return on_ && serverHasChat_; }

  private:
    bool on_ = true;
    bool serverHasChat_ = false;
    std::int64_t lastShownId_ = 0;
};

}  // namespace pimra::online
