#pragma once

#include "Options.h"

#include <string>
#include <vector>

// The KVR folder as one simulator holds it: a lock keeps other simulators
// out, and everything the simulator made there goes when it lets go.
namespace kvrsim {

class DriverFolder {
public:
    DriverFolder() = default;
    ~DriverFolder();
    DriverFolder(const DriverFolder&) = delete;
    DriverFolder& operator=(const DriverFolder&) = delete;

    // Makes the folder where needed and locks it; false, with `error` set, when
    // it may not be used or another simulator holds it.
    bool take(std::string& error);

    // Links `sub`/`name` in the folder to `target`.
    bool link(const std::string& sub, const std::string& name, const std::string& target);

    // Writes registry.reg, the driver's records of the readers, whole, so that
    // a reader never finds half of it.
    bool writeRegistry(const Options& options);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool madeFolder_ = false;
    int lock_ = -1;
    std::vector<std::string> made_;
};

} // namespace kvrsim
