#include "ui/EventWait.h"

#include <QCoreApplication>
#include <QTimer>

void processEventsUntil(const Clock& clock, Clock::time_point deadline,
                        const std::function<bool()>& finished)
{
    QCoreApplication::processEvents();
    QTimer wakeAtDeadline;
    wakeAtDeadline.setSingleShot(true);
    wakeAtDeadline.setTimerType(Qt::PreciseTimer);
    while (!finished()) {
        const auto left = deadline - clock.now();
        if (left <= Clock::time_point::duration::zero()) {
            return;
        }
        wakeAtDeadline.start(std::chrono::ceil<std::chrono::milliseconds>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
