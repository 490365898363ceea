#include "StepPause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace pimra {

void pauseWithoutInput(int milliseconds) {
    if (milliseconds <= 0) return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void runPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace pimra
