#include "support/WindowTests.h"

// The window's command file and its run as the user meets them: File, Open answered with a file
// (a name typed into the dialog need not exist), keys typed into the widget with the focus, Go
// clicked; kvr-sim as the driver on the first reader's port, the open dialogue's tick short.
namespace {

class CommandsWindow : public ShownWindow {
protected:
    // Chooses `path` in File, Open; a second dialog, if one comes, is cancelled.
    void open(const QString& path)
    {
        desktop.filesToChoose = {path};
        ui.mnuFileOpen()->trigger();
    }

    // Keys typed into the serial-number box: text, or a key such as Enter.
    void type(const QString& text, Qt::Key key = Qt::Key_unknown)
    {
        ui.txtSerialNumber()->setFocus();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), key, c, Qt::NoModifier);
        }
    }

    void expectGo(bool ready) const
    {
        EXPECT_EQ(ui.btnSend()->isEnabled(), ready);
        EXPECT_EQ(paintedColour(*ui.btnSend()),
                  ready ? sendColour::kReady : sendColour::kWaitingForSerial);
    }

    DriverLog log;
};

TEST_F(CommandsWindow, FileOpenReadsAListAndKeepsItAgainstFilesNotRead)
{
    // Without a list, a file not found asks for another; the dialog is cancelled.
    const QString missing = QDir(program.folder()).filePath("missing.xls");
    open(missing);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, "NO FILE SELECTED");
    EXPECT_EQ(desktop.messages[0].style, 64) << "information, OK only";
    ASSERT_EQ(desktop.fileRequests.size(), 2u);
    EXPECT_EQ(desktop.fileRequests[1].initialFile, missing);
    EXPECT_EQ(desktop.fileRequests[1].initialFolder, program.folder());
    EXPECT_EQ(ui.txtCommandList()->text(), "Please select a command file");
    expectGo(false);
    // Blanks at the end of the path chosen are cleaned off after the read.
    const QString path = QDir(program.folder()).filePath("serial.xls  ");
    ASSERT_TRUE(QFile::copy(madeFixture("serial.xls"), path));
    open(path);
    // The preview's form is orvelle-check's (its expected output); the window gives it the path.
    EXPECT_TRUE(ui.txtCommandList()->text().startsWith("Filename: " + path + "\r\n"));
    EXPECT_TRUE(ui.txtCommandList()->text().contains("\n/rawsend /write {{SN}}\r\n"));
    EXPECT_EQ(ui.txtCommandList()->textCursor().position(), 1);
    const QString title = "Orvelle 1.04.00 [" + path.trimmed() + "]";
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_TRUE(ui.txtSerialNumber()->isVisible() && ui.lblSerialNumber()->isVisible());
    expectGo(false);
    EXPECT_TRUE(readFile(program.settingsFile()).contains(("LastFile=" + path + "\n").toUtf8()));
    // A file refused leaves list, preview, title and the current file as they were.
    const QString preview = ui.txtCommandList()->text();
    for (const auto& [fixture, style] :
         {std::pair{"no-command-names.xls", 0}, std::pair{"truncated.xls", 48}}) {
        SCOPED_TRACE(fixture);
        open(madeFixture(fixture));
        EXPECT_EQ(desktop.messages.back().style, style);
        EXPECT_EQ(std::tuple(ui.nCmdCount(), ui.txtCommandList()->text(), window.windowTitle()),
                  std::tuple(4, preview, title));
        expectGo(false);
    }
    // The dialog opens at the list's file; a relative Windows-style path is the current folder's.
    open(path);
    EXPECT_EQ(desktop.fileRequests.back().initialFile, path.trimmed());
    ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), program.folder() + "/Commands.xls"));
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(program.folder()));
    open(".\\Commands.xls");
    QDir::setCurrent(saved);
    EXPECT_EQ(window.windowTitle(), "Orvelle 1.04.00 [.\\Commands.xls]");
    EXPECT_TRUE(ui.txtSerialNumber()->isHidden());
    expectGo(true);
    // A file not found behind a list empties the preview; the list stays usable.
    open(missing);
    EXPECT_EQ(desktop.messages.back().title, "NO FILE SELECTED");
    EXPECT_EQ(std::tuple(ui.txtCommandList()->text(), ui.nCmdCount()), std::tuple("", 3));
    expectGo(true);
    // Rows past the 1000th are not the file's.
    open(madeFixture("rows-past-1000.xls"));
    EXPECT_EQ(ui.nCmdCount(), 999);
}

// Go, or Enter in the serial-number box, runs the list: the reader gets each line as it goes out,
// the transcript shows it, the window ends closed. A typed number is used up by a line that puts it
// in, and kept when none does (its placeholder is in a row skipped for its code), also when the
// next file read asks for one.
TEST_F(CommandsWindow, ARunSendsEveryLineAndWritesTheTranscript)
{
    // Each run: its file, the number typed when the list asks for one, the transcript, what the
    // reader receives, and what the serial-number box holds after the run.
    const std::tuple<const char*, QString, QStringList, QStringList, QString> runs[] = {
        {"serial.xls",
         " 42 ",
         {" Comment:Serial number follows",
          " Sending: /rawxact ABC0000000000000042 --> ACK ABC0000000000000042",
          " Sending: /rawsend /write 0000000000000042",
          " Sending: /rawxact /read back --> ACK /read back"},
         {"COM5: /rawxact ABC0000000000000042", "COM5: /rawsend /write 0000000000000042",
          "COM5: /rawxact /read back"},
         {}},
        {"no-accepted-rows.xls", {}, {}, {}, {}},
        // Windows-1252 on the wire, "?" for what it cannot carry (a U+FEFF even at the text's
        // start, as anywhere else); the reader's echo comes back without its control characters.
        {"wire.xls",
         "Ω7",
         {" Sending: /rawxact ?€uro “q” é\tÿ\x1fŸ ß Œ \u0081\u008d\u008f\u0090\u009d ? ? ? ? "
          "00000000000000?7 --> ACK ?€uro “q” éÿŸ ß Œ \u0081\u008d\u008f\u0090\u009d ? ? ? ? "
          "00000000000000?7"},
         {QString::fromUtf8("COM5: /rawxact ?\x80uro \x93q\x94 \xe9\t\xff\x1f\x9f \xdf \x8c "
                            "\x81\x8d\x8f\x90\x9d ? ? ? ? 00000000000000?7")},
         {}},
        {"serial-on-skipped-row.xls",
         "42",
         {" Comment:comment {{SN}}", " Sending: /rawsend plain"},
         {"COM5: /rawsend plain"},
         "42"},
    };
    SimulatedDriver driver({"--log", log.path()});
    ASSERT_TRUE(driver.ready());
    for (const auto& [fixture, serialNumber, transcript, received, kept] : runs) {
        SCOPED_TRACE(fixture);
        const qsizetype before = log.commands().size();
        open(madeFixture(fixture));
        if (serialNumber.isNull()) {
            ui.btnSend()->click();
        } else {
            // Enter in the empty box does nothing; a number typed readies Go and Enter sends.
            const QString preview = ui.txtCommandList()->text();
            type("\r", Qt::Key_Return);
            QCoreApplication::processEvents();
            EXPECT_EQ(ui.txtCommandList()->text(), preview);
            type(serialNumber);
            expectGo(true);
            type("\r", Qt::Key_Return);
            EXPECT_TRUE(QTest::qWaitFor(
                [this] { return ui.txtCommandList()->text().endsWith("Done"); }, 30000));
        }
        const QString rule(45, u'=');
        const QStringList lines =
            QStringList{"Sending Commands:", rule} + transcript + QStringList{rule, "Done"};
        EXPECT_EQ(ui.txtCommandList()->text(), lines.join("\r\n"));
        // Shown whole as the run ends, not a frame later.
        EXPECT_EQ(ui.txtCommandList()->toPlainText(), lines.join("\n"));
        // kvr-sim logs what it reads a moment after the program has sent it.
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.commands().mid(before) == received; }, 10000))
            << log.commands().mid(before).join(" | ").toStdString();
        EXPECT_FALSE(ui.MSComm1()->PortOpen());
        EXPECT_EQ(ui.txtSerialNumber()->text(), kept);
        expectGo(serialNumber.isNull() || !kept.isEmpty());
    }
    open(madeFixture("serial.xls"));
    expectGo(true);
    type("\b\b", Qt::Key_Backspace);
    expectGo(false);
}

// Without a reader a run sends nothing: a warning, the typed number dropped, the port closed.
TEST_F(CommandsWindow, ARunWithoutAReaderWarnsAndDropsTheTypedNumber)
{
    open(madeFixture("serial.xls"));
    type("123");
    SimulatedDriver silent({"--silent", "--log", log.path()});
    ASSERT_TRUE(silent.ready());
    ui.btnSend()->click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].style, 80);
    EXPECT_EQ(desktop.messages[0].title, "Warning");
    EXPECT_EQ(log.commands(), QStringList());
    EXPECT_EQ(ui.txtSerialNumber()->text(), "");
    EXPECT_FALSE(ui.MSComm1()->PortOpen());
    expectGo(false);
}

// The line awaiting its reply is on screen while it waits: the reader answers once it shows. Go
// stays yellow and disabled whatever is typed meanwhile; a number typed at the last line is kept.
TEST_F(CommandsWindow, ALineWaitingForItsReplyIsShownWhileItWaits)
{
    ScriptedReader reader(
        {{"/ver", "/ver 1.0\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}});
    ui.MSComm1()->setPortLocator([&reader](int) { return reader.path(); });
    open(madeFixture("serial.xls"));
    type("1");
    QString answered;
    QTimer look;
    look.callOnTimeout([&] {
        const QString shown = ui.txtCommandList()->toPlainText();
        if (shown.endsWith(" --> ") && shown != answered) {
            type("9");
            EXPECT_FALSE(ui.btnSend()->isEnabled());
            EXPECT_EQ(paintedColour(*ui.btnSend()), sendColour::kSending);
            reader.send("/rawxact:ACK\r\n");
            answered = shown;
        }
    });
    look.start(5);
    ui.btnSend()->click();
    EXPECT_TRUE(ui.txtCommandList()->text().contains(
        "ABC0000000000000001 --> ACK\r\n Sending: /rawsend /write 0000000000000001"));
    EXPECT_EQ(ui.txtSerialNumber()->text(), "9");
    expectGo(true);
}

} // namespace
