#pragma once

#include "net/FormEncoding.h"

namespace pimra::net {

// Whether a request whose socket dropped before its reply may be sent again over HTTP. Only
// what changes nothing on the server may: a change may have been committed with its reply
// lost, and sending it twice could play a move twice. A login only opens one more session.
bool MayResend(const Request& request);

}  // namespace pimra::net
