#pragma once

#include <QString>

namespace pimra {

// Help context numbers of the window and its menus.
inline constexpr int kHelpGeneral = 1;
inline constexpr int kHelpLevels = 3;
inline constexpr int kHelpSpecial = 4;

// The help text of a topic as HTML; the general topic for an unknown number.
QString helpTopicTitle(int topic);
QString helpTopicHtml(int topic);

}  // namespace pimra
