#pragma once

#include <QObject>
#include <QTimer>

namespace pimra {

class BoardPits;

namespace online {
class PlayState;
}

// "Подсказка": the pit the computer would play lit for a while; meanwhile the window is busy.
class HintLight : public QObject {
    Q_OBJECT

  public:
    static constexpr int kDuration = 1000;

    HintLight(BoardPits& pits, online::PlayState& state);

    // Lights the hinted pit, when the state allows a hint now.
    void show();
    // The pit unlit and the window free again, at once.
    void end();
    void setDuration(int milliseconds) { duration_ = milliseconds; }

  private:
    BoardPits& pits_;
    online::PlayState& state_;
    QTimer timer_;
    int duration_ = kDuration;
};

}  // namespace pimra
