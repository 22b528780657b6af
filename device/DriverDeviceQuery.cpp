#include "device/DriverDeviceQuery.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <memory>
#include <mutex>
#include <thread>

namespace {

// What the exchange and the waiting window share; whichever leaves last frees it.
struct Exchange {
    std::mutex mutex;
    std::optional<std::variant<std::string, platform::DeviceFailure>> answer;
    // The window no longer waits: its event loop may be gone, so it is not woken.
    bool abandoned = false;
    QAbstractEventDispatcher* window = QAbstractEventDispatcher::instance();
};

} // namespace

std::optional<std::variant<std::string, platform::DeviceFailure>>
askDriverDeviceWaiting(const std::string& name, const std::string& request,
                       const std::function<bool()>& giveUp)
{
    auto exchange = std::make_shared<Exchange>();
    std::thread([exchange, name, request] {
        auto answer = platform::askDriverDevice(name, request);
        const std::lock_guard lock(exchange->mutex);
        exchange->answer = std::move(answer);
        if (!exchange->abandoned) {
            exchange->window->wakeUp();
        }
    }).detach();

    for (;;) {
        {
            const std::lock_guard lock(exchange->mutex);
            if (exchange->answer) {
                return exchange->answer;
            }
            if (giveUp()) {
                exchange->abandoned = true;
                return std::nullopt;
            }
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
