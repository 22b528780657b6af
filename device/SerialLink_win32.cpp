#include "device/SerialLink.h"

#include <QWinEventNotifier>

#include <utility>
#include <windows.h>

namespace {

constexpr DWORD kReadChunk = 4096;
// A read waits for its first byte as long as it takes, then ends at the
// first pause this long between bytes.
constexpr DWORD kByteGapMs = 5;

CommError openFailure(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return noSuchPort();
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return portInUse();
    default:
        break;
    }
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString description =
        text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("Error %1").arg(error);
    LocalFree(text);
    return CommError{8010, description};
}

// 9600 baud, 8N1, no flow control; reads that end once bytes have come.
bool setUp(HANDLE handle)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        return false;
    }
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    // Only the gap between bytes: without a total timeout an idle port wakes
    // nobody, and a read never ends with nothing.
    COMMTIMEOUTS timeouts{kByteGapMs, 0, 0, 0, 0};
    return SetCommState(handle, &dcb) && SetCommTimeouts(handle, &timeouts);
}

} // namespace

// One overlapped read is always under way while the port is open; its event
// wakes the event loop through a QWinEventNotifier.
struct SerialLink::Port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED read{};
    char buffer[kReadChunk];
    QByteArray received;
    QWinEventNotifier readDone;

    bool startRead()
    {
        ResetEvent(read.hEvent);
        return ReadFile(handle, buffer, kReadChunk, nullptr, &read) ||
               GetLastError() == ERROR_IO_PENDING;
    }
};

QString SerialLink::systemName(int commPort)
{
    return QStringLiteral("\\\\.\\COM%1").arg(commPort);
}

SerialLink::SerialLink(QObject* parent)
    : QObject(parent)
    , port_(std::make_unique<Port>())
{
    port_->read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    port_->readDone.setHandle(port_->read.hEvent);
    port_->readDone.setEnabled(false);
    connect(&port_->readDone, &QWinEventNotifier::activated, this, [this] {
        Port& port = *port_;
        DWORD got = 0;
        // A read that fails, or ends with nothing, means the other side has
        // gone: the port closes itself.
        if (!GetOverlappedResult(port.handle, &port.read, &got, FALSE) || got == 0) {
            close();
            return;
        }
        port.received.append(port.buffer, qsizetype(got));
        const bool reading = port.startRead();
        // The bytes are taken before a port that cannot read on closes and
        // drops what it holds.
        emit bytesArrived();
        if (!reading) {
            close();
        }
    });
}

SerialLink::~SerialLink()
{
    close();
    CloseHandle(port_->read.hEvent);
}

std::optional<CommError> SerialLink::open(const QString& name)
{
    Port& port = *port_;
    port.handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(name.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port.handle == INVALID_HANDLE_VALUE) {
        return openFailure(GetLastError());
    }
    if (!setUp(port.handle) || !port.startRead()) {
        const DWORD error = GetLastError();
        CloseHandle(port.handle);
        port.handle = INVALID_HANDLE_VALUE;
        return openFailure(error);
    }
    port.readDone.setEnabled(true);
    return std::nullopt;
}

void SerialLink::close()
{
    Port& port = *port_;
    if (port.handle == INVALID_HANDLE_VALUE) {
        return;
    }
    port.readDone.setEnabled(false);
    CancelIoEx(port.handle, &port.read);
    DWORD got = 0;
    // Waits for the cancelled read, so that its buffer is no longer in use.
    GetOverlappedResult(port.handle, &port.read, &got, TRUE);
    CloseHandle(port.handle);
    port.handle = INVALID_HANDLE_VALUE;
    port.received.clear();
}

bool SerialLink::isOpen() const
{
    return port_->handle != INVALID_HANDLE_VALUE;
}

void SerialLink::write(const QByteArray& bytes)
{
    Port& port = *port_;
    if (port.handle == INVALID_HANDLE_VALUE || bytes.isEmpty()) {
        return;
    }
    OVERLAPPED write{};
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    if (WriteFile(port.handle, bytes.constData(), DWORD(bytes.size()), nullptr, &write) ||
        GetLastError() == ERROR_IO_PENDING) {
        GetOverlappedResult(port.handle, &write, &written, TRUE);
    }
    CloseHandle(write.hEvent);
}

QByteArray SerialLink::readAll()
{
    return std::exchange(port_->received, {});
}
