#include "device/MSComm.h"
#include "support/CommandListEntries.h"
#include "support/FloodingReader.h"
#include "support/PortArea.h"
#include "support/QtPrinters.h"
#include "support/RandomBytes.h"
#include "support/WindowFixture.h"
#include "ui/AutoSizeLabel.h"
#include "ui/EventWait.h"
#include "ui/TextBox.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <iostream>
#include <unistd.h>

namespace {

const QString kRule(45, u'=');
constexpr qsizetype kMiB = 1 << 20;

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

qint64 residentKiB()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
}

#ifdef __SANITIZE_ADDRESS__
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();

// AddressSanitizer keeps freed memory in quarantine, which the resident size
// counts; what the program holds is its live heap.
qint64 heldKiB()
{
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes() / 1024);
}
#else
qint64 heldKiB()
{
    return residentKiB();
}
#endif

// How late a 10-ms timer fires while the program works: the event loop's worst latency.
class LatencyProbe {
public:
    LatencyProbe()
    {
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { worst_ = std::max(worst_, sinceLast_.restart() - kInterval); });
        sinceLast_.start();
        timer_.start(kInterval);
    }

    qint64 worstMs() const { return worst_; }

private:
    static constexpr int kInterval = 10;
    QTimer timer_;
    QElapsedTimer sinceLast_;
    qint64 worst_ = 0;
};

class Flood : public WindowFixture {
protected:
    void SetUp() override
    {
        window.MSComm1->setPortLocator([this](int) { return reader.path(); });
        loadCommandList(window, {{"/rawxact one", true}, {"/rawxact two", true}}, false);
    }

    // Measures what `work` costs the window and reports it.
    template <typename Work> void measure(const char* what, Work work)
    {
        const qint64 residentBefore = residentKiB();
        const qint64 heldBefore = heldKiB();
        QElapsedTimer took;
        took.start();
        LatencyProbe probe;
        work();
        const qint64 residentAfter = residentKiB();
        const qint64 held = heldKiB() - heldBefore;
        std::cout << "[figures] " << what << ": " << took.elapsed()
                  << " ms, worst event-loop latency " << probe.worstMs() << " ms, resident "
                  << residentBefore / 1024 << " -> " << residentAfter / 1024 << " MiB, held "
                  << held / 1024 << " MiB more\n";
        RecordProperty(std::string(what) + " worst latency ms", int(probe.worstMs()));
        RecordProperty(std::string(what) + " memory growth KiB", int(held));
        // Generous: a timer held up this long means a frozen window.
        EXPECT_LT(probe.worstMs(), 5000) << what;
        EXPECT_LT(held, 64 * 1024) << what;
    }

    // The reader's last words are a raw reply: once the window has it (at the
    // end of the reading it ends), it has taken everything. The wait sleeps in
    // the event loop as the program's own waits do.
    void sendAndWaitUntilTaken(const QByteArray& bytes)
    {
        window.sRawReply.clear();
        reader.send(bytes + "/rawxact:taken\r\n");
        const SteadyClock clock;
        processEventsUntil(clock, clock.now() + std::chrono::seconds(30),
                           [this] { return window.sRawReply.endsWith("taken"); });
        EXPECT_TRUE(window.sRawReply.endsWith("taken"));
    }

    QString transcript() const { return window.txtCommandList->text(); }

    FloodingReader reader{{{"/ver", "/ver 1.0\r\n"},
                           {"/get dev_version", "/get dev_version value: RDR\n"},
                           {"/rawxact one", "/rawxact one done\r\n"},
                           {"/rawxact two", "/rawxact two done\r\n"}}};
    const PortArea found{"&Open Port", true, true, "1.0", "RDR", "5", "KVR Reader 0", true, true};
    const QString fullTranscript = "Sending Commands:\r\n" + kRule +
                                   "\r\n"
                                   " Sending: /rawxact one --> one done\r\n"
                                   " Sending: /rawxact two --> two done\r\n" +
                                   kRule + "\r\nDone";
};

TEST_F(Flood, RandomBytesWhileIdle)
{
    window.btnOpen_Click();
    ASSERT_EQ(portAreaOf(window), found);
    measure("1 MiB random while idle", [this] { sendAndWaitUntilTaken(randomBytes(kMiB)); });
    EXPECT_EQ(portAreaOf(window), found);
    EXPECT_TRUE(desktop.messages.empty());
    window.btnSend_Click();
    EXPECT_EQ(transcript(), fullTranscript);
}

TEST_F(Flood, RandomBytesWhileDetecting)
{
    // The program's own tick: the flood comes ahead of the "/ver" reply, inside its 3-s wait.
    window.Timer1->setInterval(60);
    reader.sendWith("/ver", randomBytes(kMiB));
    measure("1 MiB random ahead of the /ver reply", [this] { window.btnOpen_Click(); });
    EXPECT_EQ(portAreaOf(window), found);
    EXPECT_TRUE(desktop.messages.empty());

    // Right behind the "/ver" reply the bytes join its reading and the driver's
    // text; what is left of them leads the next reading, and the device version
    // is taken by column from the start of its reading.
    reader.sendWith("/ver", randomBytes(kMiB), true);
    measure("1 MiB random right behind the /ver reply", [this] { window.btnOpen_Click(); });
    EXPECT_TRUE(window.txtDeviceDriver->text().startsWith("1.0"));
    EXPECT_TRUE(window.lblDevice->text().endsWith("RDR"));
    EXPECT_TRUE(window.bReaderFound);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Flood, RandomBytesWhileSending)
{
    reader.sendWith("/rawxact one", randomBytes(kMiB));
    measure("1 MiB random ahead of a /rawxact reply", [this] { window.btnSend_Click(); });
    EXPECT_EQ(transcript(), fullTranscript);
    EXPECT_TRUE(desktop.messages.empty());
}

// Bytes right behind a reply can join its reading, as on a real line: the
// reply keeps its place and its text, and the next line is untouched.
TEST_F(Flood, RandomBytesRightBehindAReply)
{
    reader.sendWith("/rawxact one", randomBytes(kMiB), true);
    measure("1 MiB random right behind a /rawxact reply", [this] { window.btnSend_Click(); });
    const QStringList lines = transcript().split("\r\n");
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[2].startsWith(" Sending: /rawxact one --> one done"))
        << lines[2].left(80).toStdString();
    EXPECT_EQ(lines[3], " Sending: /rawxact two --> two done");
    EXPECT_EQ(lines[5], "Done");
}

TEST_F(Flood, TenThousandUnsolicitedReplies)
{
    window.btnOpen_Click();
    ASSERT_EQ(portAreaOf(window), found);
    measure("10,000 unsolicited replies while idle",
            [this] { sendAndWaitUntilTaken(unsolicitedLines(10000, true)); });
    EXPECT_EQ(portAreaOf(window), found);
    EXPECT_TRUE(desktop.messages.empty());

    reader.sendWith("/rawxact one", unsolicitedLines(10000, false));
    measure("10,000 unsolicited replies ahead of a /rawxact reply",
            [this] { window.btnSend_Click(); });
    EXPECT_EQ(transcript(), fullTranscript);
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
