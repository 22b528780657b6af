#pragma once

#include "platform/DriverDevice.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>

// Asks the driver's device (platform::askDriverDevice, which can take up to
// two seconds) while the window goes on handling its events: the exchange
// runs beside the window's thread, which sleeps in its event loop until the
// answer is there. Gives nothing when `giveUp` holds first; the exchange then
// ends on its own, within its time limit, and its answer is dropped.
std::optional<std::variant<std::string, platform::DeviceFailure>>
askDriverDeviceWaiting(const std::string& name, const std::string& request,
                       const std::function<bool()>& giveUp);
