#pragma once

#include <QString>

namespace pimra {

// "1 камень", "2 камня", "5 камней": a number of stones as the interface's language says it.
QString stoneCountText(int stones);

}  // namespace pimra
