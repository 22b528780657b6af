#include "support/FloodingReader.h"
#include "support/PortArea.h"
#include "support/ProgramWindow.h"
#include "support/QtPrinters.h"
#include "support/RandomBytes.h"
#include "support/Watchdog.h"
#include "ui/ColourButton.h"
#include "ui/EventWait.h"
#include "ui/TextBox.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Replies nobody asked for, of every shape the reader gives, one to a line.
QByteArray unsolicitedLines(int count, bool withRawReplies)
{
    const QByteArray shapes[] = {"/ver 9.99\r\n", "/get dev_version value: LATE-0001\n",
                                 "/write ok\r\n", "/read status 0\r\n", "/rawxact:late\r\n"};
    QByteArray lines;
    for (int i = 0; i < count; ++i) {
        lines += shapes[i % (withRawReplies ? 5 : 4)];
    }
    return lines;
}

// Bytes sent as fast as the line takes them: while the port is open and idle,
// or just ahead of (or right behind) the reply to a line.
struct Flood {
    const char* what;
    QByteArray line;
    bool behind;
    QByteArray bytes;
};

// Bytes right behind a reply can join its reading, as on a real line: the
// reply keeps its place and its text, and the next reading is untouched.
TEST(Flood, NeitherFreezesNorConfusesTheWindow)
{
    const Watchdog watchdog(120s, "floods");
    const QByteArray random = randomBytes(1 << 20);
    const Flood floods[] = {
        {"1 MiB of random bytes while idle", "", false, random},
        {"10,000 unsolicited replies while idle", "", false, unsolicitedLines(10000, true)},
        {"1 MiB ahead of the /ver reply", "/ver", false, random},
        {"1 MiB right behind the /ver reply", "/ver", true, random},
        {"1 MiB ahead of a /rawxact reply", "/rawxact one", false, random},
        {"10,000 unsolicited replies ahead of a /rawxact reply", "/rawxact one", false,
         unsolicitedLines(10000, false)},
        {"1 MiB right behind a /rawxact reply", "/rawxact one", true, random},
    };
    const PortArea found{"&Open Port", true, true, "1.0", "RDR", "5", "Bench", true, true};
    const QString rule(45, u'=');
    const QStringList run{"Sending Commands:",
                          rule,
                          " Sending: /rawxact one --> one done",
                          " Sending: /rawxact two --> two done",
                          rule,
                          "Done"};
    for (const auto& [what, line, behind, bytes] : floods) {
        SCOPED_TRACE(what);
        ProgramWindow bench;
        frmMain& window = *bench.window;
        FloodingReader reader({{"/ver", "/ver 1.0\r\n"},
                               {"/get dev_version", "/get dev_version value: RDR\n"},
                               {"/rawxact one", "/rawxact one done\r\n"},
                               {"/rawxact two", "/rawxact two done\r\n"}});
        window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
        loadCommandList(window, {{"/rawxact one", true}, {"/rawxact two", true}}, false);
        // The program's own tick: the flood comes inside the reply's 3-s wait.
        window.Timer1->setInterval(60);
        if (!line.isEmpty()) {
            reader.sendWith(line, bytes, behind);
        }
        window.btnOpen->click();
        if (line == "/ver" && behind) {
            // The bytes join the reading of the driver's text; what is left
            // of them leads the next reading, whose version is taken by column.
            EXPECT_TRUE(window.txtDeviceDriver->text().startsWith("1.0"));
            EXPECT_TRUE(window.lblDevice->text().endsWith("RDR"));
            EXPECT_TRUE(window.bReaderFound);
        } else {
            EXPECT_EQ(portAreaOf(window), found);
        }
        if (line.isEmpty()) {
            // The last words are a raw reply: once the window has it, it has taken everything.
            reader.send(bytes + "/rawxact:taken\r\n");
            const SteadyClock clock;
            processEventsUntil(clock, clock.now() + 60s,
                               [&] { return window.sRawReply.endsWith("taken"); });
            EXPECT_TRUE(window.sRawReply.endsWith("taken"));
            EXPECT_EQ(portAreaOf(window), found);
        }
        window.btnSend->click();
        QStringList transcript = window.txtCommandList->text().split("\r\n");
        if (line == "/rawxact one" && behind) {
            EXPECT_TRUE(transcript.value(2).startsWith(run[2]));
            transcript[2] = run[2];
        }
        EXPECT_EQ(transcript, run);
        EXPECT_TRUE(bench.desktop.messages.empty());
    }
}

} // namespace
