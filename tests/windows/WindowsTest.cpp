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

// The Win32 forms against what scripts/test-windows prepares: kvr-sim's records
// and values of its own in the registry, kvr-sim's \\.\KVR0 and \\.\COM5.
namespace {

using namespace std::string_literals;
using platform::RegistryValue;

RegistryValue text(const std::string& value)
{
    return {1, {value.begin(), value.end() + 1}};
}

TEST(WindowsRegistry, ValuesComeWithTheirTypesWhenTheyFitTheBuffer)
{
    const auto query = [](const std::string& name, std::size_t buffer = 2048) {
        return platform::queryRegistryValue(platform::kHkeyLocalMachine, "Software\\Orvelle Tests",
                                            name, buffer);
    };
    EXPECT_EQ(platform::queryRegistryValue(platform::kHkeyLocalMachine, "Enum\\Root\\Vor-Lan\\0000",
                                           "PortName"),
              text("COM5"));
    EXPECT_EQ(query("Number"), (RegistryValue{4, {0xd2, 0x04, 0, 0}}));
    EXPECT_EQ(query("Raw"), (RegistryValue{3, {1, 2, 0xff, 0}}));
    EXPECT_EQ(query("Missing"), std::nullopt);
    EXPECT_EQ(query("Fits"), text(std::string(2047, 'f')));
    EXPECT_EQ(query("TooLong"), std::nullopt);
    EXPECT_EQ(query("TooLong", 4096), text(std::string(3000, 'x')));
}

// Wine counts no handles (GetProcessHandleCount gives 0): a handle left open
// shows as the next handle made taking another place.
TEST(WindowsDriverDevice, TellsItsPortIsClosedAfterEachCallAndTakesOnlyDeviceNames)
{
    using Answer = std::variant<std::string, platform::DeviceFailure>;
    const auto nextHandle = [] {
        const HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CloseHandle(made);
        return made;
    };
    const HANDLE next = nextHandle();
    for (const std::string& name :
         {"KVR0"s, "KVR0"s, "KVR7"s, ""s, "."s, ".."s, "KVR0/.."s, "..\\KVR0"s, "KVR0\0"s}) {
        EXPECT_EQ(platform::askDriverDevice(name, "/get port_name\n"),
                  name == "KVR0" ? Answer("/get port_name value:      5 (COM5)\r\n")
                                 : Answer(platform::DeviceFailure::CannotOpen))
            << name;
    }
    EXPECT_EQ(nextHandle(), next) << "a handle was left open";
}

// A stub HH.exe beside this program records the command line it gets.
TEST(WindowsHelp, TheViewerGetsItsCommandLineAsItIs)
{
    const std::string line = "HH.exe C:\\Program Files\\Orvelle Tools\\Help\\OrvelleHelp.chm";
    QFile record(QStringLiteral("HH-command-line.txt"));
    for (int start = 0; start < 2; ++start) {
        record.remove();
        ASSERT_TRUE(platform::startProgram(line));
        for (int i = 0; i < 1000 && !record.exists(); ++i) {
            QThread::msleep(10);
        }
        ASSERT_TRUE(record.open(QIODevice::ReadOnly)) << "start " << start;
        EXPECT_EQ(record.readAll().toStdString(), line);
        record.close();
    }
}

// Paths are UTF-8 in the platform layer and reach Windows as UTF-16.
TEST(WindowsWidePaths, SettingsAreStoredInAFolderBeyondTheCodePage)
{
    const QTemporaryDir temp;
    const QString file = temp.filePath(QStringLiteral(u"Prüfstand Ω №4.INI"));
    const std::string path = QDir::toNativeSeparators(file).toStdString();
    ASSERT_TRUE(platform::writeProfileString("File", "LastFile", "bench\\Room 4.xls", path));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(platform::readProfileString("File", "LastFile", "", 255, path), "bench\\Room 4.xls");
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
TEST(WindowsSerialLink, AnIdlePortCostsNoCpuAndStillAnswers)
{
    SerialLink link;
    const auto error = link.open(SerialLink::systemName(5));
    ASSERT_FALSE(error) << error->number << " " << error->description.toStdString();
    QEventLoop idle;
    const double before = cpuSeconds();
    QTimer::singleShot(2500, &idle, &QEventLoop::quit);
    idle.exec();
    EXPECT_LT(cpuSeconds() - before, 0.5);
    QByteArray reply;
    QObject::connect(&link, &SerialLink::bytesArrived, &idle, [&] {
        reply += link.readAll();
        if (reply.endsWith('\n')) {
            idle.quit();
        }
    });
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    link.write("/ver\n");
    idle.exec();
    EXPECT_EQ(reply, "/ver KVR-SIM 2.10\r\n");
    link.close();
    EXPECT_FALSE(link.isOpen());
    const auto missing = link.open(SerialLink::systemName(9));
    ASSERT_TRUE(missing);
    EXPECT_EQ(std::to_string(missing->number) + " " + missing->description.toStdString(),
              "8002 Invalid port number");
}

// The helper is a child process the program starts (Windows has no fork); one
// that found a file damaged is replaced for the next read. A path goes to it
// as UTF-8 and is opened as UTF-16.
TEST(WindowsCommandFile, EveryReadGetsItsOwnAnswerFromTheHelper)
{
    const QTemporaryDir temp;
    const QString sample = QStringLiteral(ORVELLE_SAMPLE_WORKBOOK);
    const QString wide = temp.filePath(QStringLiteral(u"Prüfstand Ω №4.xls"));
    ASSERT_TRUE(QFile::copy(sample, wide));
    for (const QString& path : {sample, QStringLiteral(ORVELLE_DAMAGED_WORKBOOK), sample,
                                temp.filePath("none.xls"), wide}) {
        const CommandFileRead read = readCommandFile(path);
        const bool readable = path == sample || path == wide;
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
