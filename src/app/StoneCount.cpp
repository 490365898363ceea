#include "StoneCount.h"

#include <QCoreApplication>

#include <cstdlib>

namespace pimra {

namespace {

// The Russian form the number takes; a translation gives each its own numerus forms.
const char* russianForm(int stones) {
    const int lastTwo = std::abs(stones) % 100;
    const int last = lastTwo % 10;
    if (lastTwo >= 11 && lastTwo <= 14) return QT_TRANSLATE_NOOP("StoneCount", "%n камней");
    if (last == 1) return QT_TRANSLATE_NOOP("StoneCount", "%n камень");
    if (last >= 2 && last <= 4) return QT_TRANSLATE_NOOP("StoneCount", "%n камня");
    return QT_TRANSLATE_NOOP("StoneCount", "%n камней");
}

}  // namespace

QString stoneCountText(int stones) {
    return QCoreApplication::translate("StoneCount", russianForm(stones), nullptr, stones);
}

}  // namespace pimra
