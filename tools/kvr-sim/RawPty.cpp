#include "RawPty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace kvrsim {

bool RawPty::open()
{
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char path[128];
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
        ptsname_r(master_, path, sizeof path) == 0) {
        slavePath_ = path;
        slave_ = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    // Raw: nothing echoed, no line feed turned into CR LF or the reverse.
    termios settings{};
    if (slave_ >= 0 && tcgetattr(slave_, &settings) == 0) {
        cfmakeraw(&settings);
        if (tcsetattr(slave_, TCSANOW, &settings) == 0) {
            return true;
        }
    }
    close();
    return false;
}

void RawPty::close()
{
    for (int* fd : {&slave_, &master_}) {
        if (*fd >= 0) {
            ::close(std::exchange(*fd, -1));
        }
    }
}

} // namespace kvrsim
