#include "device/SerialLink.h"

CommError noSuchPort()
{
    return CommError{8002, QStringLiteral("Invalid port number")};
}

CommError portInUse()
{
    return CommError{8005, QStringLiteral("Port already open")};
}
