#include "app/Module1.h"
#include "settings/FormSettings.h"
#include "settings/NumberForm.h"
#include "settings/SettingsFile.h"
#include "support/WindowTests.h"
#include "ui/Fonts.h"
#include "ui/QtDesktopServices.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringEncoder>

namespace {

TEST(SettingsRules, NumbersPlacementsAndTheFileFollowTheirRules)
{
    EXPECT_EQ(formSettingsValue({1200, 0, 9555, -60}), " 1200, 0, 9555,-60");
    const QStringList texts{"  1200", "+7",   "42 and more", "2.5", "3.5",
                            "-2.5",   "1.49", "abc",         "-",   "-99999999999999"};
    const QList<qint32> numbers{1200, 7, 42, 2, 4, -2, 1, 0, 0, INT32_MIN};
    for (qsizetype i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(leadingNumber(texts[i]), numbers[i]) << texts[i].toStdString();
    }
    EXPECT_EQ(leadingNumber(QString(400, u'9')), INT32_MAX);
    EXPECT_TRUE(parseFormSettings("1200,1500,9555,6930") == (WindowPlacement{1200, 500, 555, 930}));
    EXPECT_TRUE(parseFormSettings("-60,-60, 9555") == (WindowPlacement{-60, 60, 9555, 0}));
    const std::pair<WindowPlacement, WindowPlacement> fits[] = {
        {{-60, -60, 9555, 6930}, {0, 0, 9555, 6930}},
        {{6000, 8000, -1, 6930}, {0, 0, 15360, 11520}},
        {{0, INT32_MAX, INT32_MAX, 6930}, {0, 0, 15360, 6930}},
        {{1200, 1500, 0, 0}, {1200, 1500, 0, 0}}};
    for (const auto& [placement, fitted] : fits) {
        EXPECT_TRUE(fitToScreen(placement, {15360, 11520}) == fitted)
            << formSettingsValue(placement).toStdString();
    }
    EXPECT_EQ(settingsFileName("/opt/bench/My.Tool.exe"), "/opt/bench/My.INI");
}

// The program as Main starts it on kvr-sim's two readers, with real modal windows: `onModal` gets
// the one up every 10 ms until it returns true; at start-up boxes get Enter, file dialogs Cancel.
class Lifecycle : public QObject, public testing::Test {
protected:
    ~Lifecycle() override { delete window; }
    bool eventFilter(QObject*, QEvent* event) override
    {
        closes += event->type() == QEvent::Close;
        return false;
    }

    frmMain& start(const QString& programFile)
    {
        onModal = [this](QWidget* modal) { return answer(modal) && false; };
        poll.start(10);
        window = Module1::Main(*desktop, clock, programFile);
        window->installEventFilter(this);
        closes = 0;
        shown.clear();
        return *window;
    }

    SortedComboBox* ports() const { return access(*window).Combo2(); }

    void exit()
    {
        access(*window).mnuFileExit()->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(window.isNull());
    }

    // A box shown takes keys once it has the focus, which a busy machine gives it later.
    bool answer(QWidget* modal)
    {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal);
                   box && box->isAncestorOf(QApplication::focusWidget())) {
            shown << box->windowTitle() + ": " + box->text();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            return true;
        }
        return false;
    }

    SimulatedDriver driver{{"--readers", "2"}};
    ManualClock clock;
    ClockDriver clockDriver{clock, std::chrono::seconds(1)};
    TempProgram program, installed;
    QtDesktopServices modals;
    RecordingDesktop recording;
    DesktopServices* desktop = &modals;
    QPointer<frmMain> window;
    QTimer poll;
    const QMetaObject::Connection polling = poll.callOnTimeout([this] {
        if (onModal(QApplication::activeModalWidget())) {
            poll.stop();
        }
    });
    std::function<bool(QWidget*)> onModal;
    int closes = 0;
    QStringList shown;
};

// Every way out closes the port, then stores the port entry, then the place, once; the next start
// comes back there. A termination signal closes the modal window up first, then the main window.
TEST_F(Lifecycle, EveryWayOutStoresWhatTheNextStartRestores)
{
    using Way = std::tuple<const char*, bool, std::function<void(WindowAccess)>, int, const char*>;
    const Way ways[] = {
        // First, while nothing is stored: About closed, the main window takes them back.
        {"Help, About", false, [](auto w) { w.mnuHelpAbout()->trigger(); }, SIGHUP, "frmAbout"},
        {"Exit", false, [](auto w) { w.btnExit()->click(); }, 0, ""},
        {"File, Exit, port open", true, [](auto w) { w.mnuFileExit()->trigger(); }, 0, ""},
        {"File, Open", false, [](auto w) { w.mnuFileOpen()->trigger(); }, SIGINT, "QFileDialog"},
        {"Exit's message", true, [](auto w) { w.btnExit()->click(); }, SIGTERM, "QMessageBox"},
        // The termination's own close shows the message, and closes it on its next try.
        {"its own close's message", true, [](auto) {}, SIGTERM, ""},
    };
    start(program.file());
    for (int row = 0; const auto& [name, portOpen, action, signal, modalUp] : ways) {
        SCOPED_TRACE(name);
        const QPoint place(100 + 10 * row, 90);
        const int entry = ++row % 2;
        window->move(place);
        ports()->setCurrentIndex(entry);
        const QString message =
            ports()->currentText() + " is open: Closing the comm port before exiting";
        access(*window).MSComm1()->setCommPort(5);
        ASSERT_FALSE(portOpen && access(*window).MSComm1()->setPortOpen(true));
        const QByteArray before = readFile(program.settingsFile());
        onModal = [&](QWidget* modal) {
            if (signal) {
                return (!*modalUp || (modal && modal->inherits(modalUp))) && raise(signal) == 0;
            }
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                EXPECT_EQ(box->icon(), QMessageBox::Warning);
                EXPECT_FALSE(access(*window).MSComm1()->PortOpen());
                EXPECT_EQ(readFile(program.settingsFile()), before);
            }
            return answer(modal) || !window;
        };
        poll.start(10);
        QTimer::singleShot(0, window, [&] { action(access(*window)); });
        ASSERT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 5000)) << "not ended";
        EXPECT_EQ(closes, 1);
        EXPECT_EQ(shown, portOpen && !signal ? QStringList{message} : QStringList());
        // The size as the layout counts it; the command file only once its list was loaded.
        EXPECT_EQ(readFile(program.settingsFile()),
                  QString::asprintf("[Current_Port]\nPort_Num= %d\n\n[Select_Window_frmMain]\n"
                                    "Settings= 1350, %d, 9555, 6930\nWindowState= 0\n",
                                    entry, place.x() * 15));
        EXPECT_EQ(start(program.file()).pos(), place);
        EXPECT_EQ(ports()->currentIndex(), entry);
    }
    exit();
}

// Beside the program while its folder can be written; in /proc, or installed read-only, in the
// user's configuration folder, starting from a copy of those installed, which are read until then.
// Stored states come back; what does not fit is not applied.
TEST_F(Lifecycle, SettingsAreKeptWhereTheyCanBeWrittenAndComeBackWhereTheyFit)
{
    if (ranAgainWherePermissionsCount()) {
        return;
    }
    desktop = &recording; // a file dialog on /proc would read files there that never end
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const QByteArray preset = "[Current_Port]\nPort_Num= 1\n[File]\nLastFile=preset.xls\n";
    ASSERT_TRUE(write(installed.settingsFile(), preset));
    ASSERT_TRUE(QFile::setPermissions(installed.folder(), QFile::ReadOwner | QFile::ExeOwner));
    // The user's folder: $XDG_CONFIG_HOME/Orvelle, else ~/.config/Orvelle.
    const QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    for (const auto& [file, settings, state] :
         {std::tuple{program.file(), program.settingsFile(), Qt::WindowNoState},
          {QStringLiteral("/proc/Orvelle"), home.filePath(".config/Orvelle/Orvelle.INI"),
           Qt::WindowMaximized},
          {installed.file(), home.filePath("xdg/Orvelle/Orvelle.INI"), Qt::WindowMinimized}}) {
        SCOPED_TRACE(file.toStdString());
        const bool isInstalled = file == installed.file();
        isInstalled ? qputenv("XDG_CONFIG_HOME", home.filePath("xdg").toLocal8Bit())
                    : qunsetenv("XDG_CONFIG_HOME");
        EXPECT_TRUE(start(file).isVisible() && window->focusWidget() == ports());
        EXPECT_EQ(ports()->currentIndex(), isInstalled ? 1 : 0);
        EXPECT_FALSE(QFile::exists(settings));
        ports()->setCurrentIndex(isInstalled ? 0 : 1);
        window->setWindowState(state);
        exit();
        EXPECT_TRUE(readFile(settings).contains("WindowState= " + QByteArray::number(int(state))));
        EXPECT_EQ(readFile(settings).contains("LastFile=preset.xls\n"), isInstalled);
        EXPECT_EQ(start(file).windowState(), state);
        EXPECT_EQ(ports()->currentIndex(), isInstalled ? 0 : 1);
        exit();
    }
    EXPECT_EQ(readFile(installed.settingsFile()), preset);
    QFile::setPermissions(installed.folder(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", oldHome);
    // Not applied: the size, a place off the screen, a port past the list, a 1-character file.
    // Saved by a Windows editor as "Unicode", the file is read and stays so.
    const auto utf16 = [](const QString& text) -> QByteArray {
        return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text);
    };
    ASSERT_TRUE(write(program.settingsFile(),
                      utf16("[Select_Window_frmMain]\r\nSettings= 1500, 9000, 10000, 7000\r\n"
                            "[Current_Port]\r\nPort_Num= 2\r\n[File]\r\nLastFile=x\r\n")));
    EXPECT_EQ(start(program.file()).pos(), QPoint(0, 100));
    EXPECT_EQ(access(*window).sCmdFile(), "");
    EXPECT_EQ(window->centralWidget()->size(), QSize(629, 416));
    EXPECT_EQ(ports()->currentIndex(), 0);
    exit();
    EXPECT_EQ(readFile(program.settingsFile()),
              utf16("[Select_Window_frmMain]\r\nSettings= 1500, 0, 9555, 6930\r\nWindowState= 0\r\n"
                    "[Current_Port]\r\nPort_Num= 0\r\n[File]\r\nLastFile=x\r\n"));
    // A negative port number selects nothing; a stored path is read up to 254 characters.
    ASSERT_TRUE(write(program.settingsFile(),
                      "[Current_Port]\nPort_Num= -1\n[File]\nLastFile=/" + QByteArray(300, 'x')));
    EXPECT_EQ(start(program.file()).font(), windowFont());
    EXPECT_EQ(ports()->currentIndex(), 0) << "a negative port number selects nothing";
    ASSERT_FALSE(recording.fileRequests.empty());
    EXPECT_EQ(recording.fileRequests.back().initialFile, "/" + QString(253, u'x'));
    exit();
}

} // namespace
