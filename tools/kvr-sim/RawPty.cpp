#include "RawPty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace kvrsim {

RawPty::RawPty(RawPty&& other) noexcept
    : master_(std::exchange(other.master_, -1))
    , slave_(std::exchange(other.slave_, -1))
    , slavePath_(std::move(other.slavePath_))
{
}

RawPty& RawPty::operator=(RawPty&& other) noexcept
{
    if (this != &other) {
        close();
        master_ = std::exchange(other.master_, -1);
        slave_ = std::exchange(other.slave_, -1);
        slavePath_ = std::move(other.slavePath_);
    }
    return *this;
}

bool RawPty::open()
{
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char path[128];
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, path, sizeof path) != 0) {
        close();
        return false;
    }
    slavePath_ = path;
    slave_ = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw: nothing echoed, no line feed turned into CR LF or the reverse.
    termios settings{};
    if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) {
        close();
        return false;
    }
    cfmakeraw(&settings);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) {
        close();
        return false;
    }
    return true;
}

void RawPty::close()
{
    for (int* fd : {&slave_, &master_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

} // namespace kvrsim
