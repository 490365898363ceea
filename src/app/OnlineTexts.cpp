#include "OnlineTexts.h"

#include "ShownText.h"

namespace pimra {

namespace {

// The words among the parts.
[[maybe_unused]] const char* const kWords[] = {
    QT_TRANSLATE_NOOP("pimra", "(нет на месте)"),
    QT_TRANSLATE_NOOP("pimra", " по времени"),
    QT_TRANSLATE_NOOP("pimra", "Ничья по согласию !   "),
    QT_TRANSLATE_NOOP("pimra", "Ничья по согласию"),
    QT_TRANSLATE_NOOP("pimra", "Соперник предлагает ничью"),
    QT_TRANSLATE_NOOP("pimra", "Вы предложили ничью"),
    QT_TRANSLATE_NOOP("pimra", "Соперник просит реванш"),
    QT_TRANSLATE_NOOP("pimra", "Сдать партию?"),
};

QString asItCame(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

QString seatLabelText(const online::SeatLabel& seat) {
    if (seat.login.empty()) return {};
    QString label = asItCame(seat.login);
    if (!seat.rating.empty()) label += QStringLiteral(" (") + asItCame(seat.rating) + ')';
    if (seat.away) label += QLatin1Char(' ') + translated(online::kAwayText);
    return label;
}

QString resultBoxText(const online::ResultBox& box) {
    const QString score = asItCame(box.score);
    if (box.winner.empty())
        return translated(box.agreed ? online::kAgreedDrawBoxText : online::kDrawText) + score;
    QString text = translated(online::kWinnerText) + asItCame(box.winner);
    if (box.onTime) text += translated(online::kOnTimeText);
    if (!box.resigned.empty()) {
        text += QString::fromUtf8(online::kResignedSeparator) +
                translated(online::kResignedBoxText) + asItCame(box.resigned);
    }
    return text + QString::fromUtf8(online::kResultMark) + score;
}

}  // namespace pimra
