#include "commands/CommandFileReader.h"
#include "device/SerialLink.h"
#include "platform/DriverDevice.h"
#include "platform/IniFile.h"
#include "platform/ProgramStart.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <windows.h>

// The Win32 forms against what scripts/test-windows prepares (values of our own in
// the registry, kvr-sim's \\.\KVR0 and \\.\COM5) and a stub HH.exe beside this
// program that records the command line it gets. What the packaged program does
// end to end under Wine (the readers read from the registry, Test and Go over the
// serial link, the settings written) is not tried again here.
namespace {

using namespace std::string_literals;

// Values fit a buffer with their terminating NUL. Wine counts no handles
// (GetProcessHandleCount gives 0): a handle left open shows as the next handle
// made taking another place.
TEST(Windows, RegistryDriverDeviceAndProgramStart)
{
    const auto query = [](const std::string& name, std::size_t buffer) {
        const auto value = platform::queryRegistryValue(platform::kHkeyLocalMachine,
                                                        "Software\\Orvelle Tests", name, buffer);
        return value ? std::to_string(value->type) +
                           std::string(value->data.begin(), value->data.end())
                     : "none"s;
    };
    EXPECT_EQ(query("Number", 4) + query("Raw", 4), "4\xd2\x04\0\0"
                                                    "3\x01\x02\xff\0"s);
    EXPECT_EQ(query("Fits", 2048), "1" + std::string(2047, 'f') + '\0');
    EXPECT_EQ(query("TooLong", 2048) + query("Missing", 2048), "nonenone");
    EXPECT_EQ(query("TooLong", 4096), "1" + std::string(3000, 'x') + '\0');
    const auto nextHandle = [] {
        const HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CloseHandle(made);
        return made;
    };
    const HANDLE next = nextHandle();
    using Answer = std::variant<std::string, platform::DeviceFailure>;
    for (const std::string& name :
         {"KVR0"s, "KVR0"s, "KVR7"s, ""s, "."s, ".."s, "KVR0/.."s, "..\\KVR0"s, "KVR0\0"s}) {
        EXPECT_EQ(platform::askDriverDevice(name, "/get port_name\n"),
                  name == "KVR0" ? Answer("/get port_name value:      5 (COM5)\r\n")
                                 : Answer(platform::DeviceFailure::CannotOpen))
            << name;
    }
    EXPECT_EQ(nextHandle(), next) << "a handle was left open";
    const std::string line = "HH.exe C:\\Program Files\\Orvelle Tools\\Help\\OrvelleHelp.chm";
    QFile record(QStringLiteral("HH-command-line.txt"));
    record.remove();
    ASSERT_TRUE(platform::startProgram(line));
    for (int i = 0; i < 1000 && !record.exists(); ++i) {
        QThread::msleep(10);
    }
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll().toStdString(), line);
}

double cpuSeconds()
{
    FILETIME unused, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &unused, &unused, &kernel, &user);
    return (kernel.dwLowDateTime + user.dwLowDateTime +
            4294967296.0 * (kernel.dwHighDateTime + user.dwHighDateTime)) /
           1e7;
}

// The pending read waits in the system: an idle open port costs no CPU. Wine
// does not refuse a second opening of a port as Windows does (8005).
TEST(Windows, AnIdleSerialPortCostsNoCpuAMissingOneIsInvalid)
{
    SerialLink link;
    const auto error = link.open(SerialLink::systemName(5));
    ASSERT_FALSE(error) << error->number << " " << error->description.toStdString();
    QEventLoop idle;
    const double before = cpuSeconds();
    QTimer::singleShot(2500, &idle, &QEventLoop::quit);
    idle.exec();
    EXPECT_LT(cpuSeconds() - before, 0.5);
    link.close();
    const auto missing = link.open(SerialLink::systemName(9));
    ASSERT_TRUE(missing);
    EXPECT_EQ(std::to_string(missing->number) + " " + missing->description.toStdString(),
              "8002 Invalid port number");
}

// The helper is a child process the program starts (Windows has no fork); one
// that found a file damaged is replaced for the next read. Paths are UTF-8 in
// the program and reach Windows as UTF-16: settings and a command file are kept
// in a folder beyond the code page.
TEST(Windows, EveryReadGetsItsOwnAnswerFromTheHelperAndPathsMayBeWide)
{
    const QTemporaryDir temp;
    const QString sample = QStringLiteral(ORVELLE_SAMPLE_WORKBOOK);
    const QString wide = temp.filePath(QStringLiteral(u"Prüfstand Ω №4"));
    ASSERT_TRUE(QDir().mkdir(wide) && QFile::copy(sample, wide + "/Commands.xls"));
    const std::string settings = QDir::toNativeSeparators(wide + "/Orvelle.INI").toStdString();
    ASSERT_TRUE(platform::writeProfileString("File", "LastFile", "bench\\Room 4.xls", settings));
    EXPECT_TRUE(QFile::exists(wide + "/Orvelle.INI"));
    EXPECT_EQ(platform::readProfileString("File", "LastFile", "", 255, settings),
              "bench\\Room 4.xls");
    for (const QString& path : {sample, QStringLiteral(ORVELLE_DAMAGED_WORKBOOK), sample,
                                temp.filePath("none.xls"), wide + "/Commands.xls"}) {
        const CommandFileRead read = readCommandFile(path);
        const bool readable = path.endsWith("Commands.xls");
        EXPECT_EQ(read.outcome,
                  readable ? CommandFileRead::Outcome::Read : CommandFileRead::Outcome::Unreadable)
            << path.toStdString() << ": " << read.message.toStdString();
        EXPECT_EQ(read.list.entries.size(), readable ? 8u : 0u);
        EXPECT_EQ(read.message.startsWith("Cannot read the command file "), !readable);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
