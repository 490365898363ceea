#pragma once

#include <string_view>

namespace pimra::server {

// The files of src/server/static, built into the server.
std::string_view replayScript();
std::string_view liveScript();
std::string_view archiveStyle();

}  // namespace pimra::server
