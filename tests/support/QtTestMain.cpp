#include "ui/Fonts.h"
#include "ui/ModalWindows.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

// A test still running after five minutes ends the test program (SIGALRM): a hang fails the run,
// the last "[ RUN ]" line naming the test, instead of holding it up.
class HangLimit : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { alarm(300); }
    void OnTestEnd(const testing::TestInfo&) override { alarm(0); }
};

// A check that fails inside a modal window's loop (a callback looking at a message box, say) ends
// the test at once: from then until the test's end every modal window is closed as it comes up,
// so the loop returns instead of waiting for a user until the hang limit.
class ModalsClosedOnFailure : public testing::EmptyTestEventListener {
public:
    ModalsClosedOnFailure()
    {
        closer_.setInterval(10);
        QObject::connect(&closer_, &QTimer::timeout, &closeModals);
    }

private:
    static void closeModals()
    {
        modal::closeAll();
        while (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            if (QApplication::activeModalWidget() == modal) {
                break;
            }
        }
    }

    void OnTestPartResult(const testing::TestPartResult& result) override
    {
        if (result.failed() && !closer_.isActive()) {
            closer_.start();
            closeModals();
        }
    }
    void OnTestEnd(const testing::TestInfo&) override { closer_.stop(); }

    QTimer closer_;
};

// Widgets are tested offscreen, with the style and fonts the program uses. Each test program has a
// runtime folder of its own, so it meets no KVR driver but the records its tests write, and a data
// folder of its own for the run records.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    installFontSubstitutes();
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new HangLimit);
    testing::UnitTest::GetInstance()->listeners().Append(new ModalsClosedOnFailure);
    return RUN_ALL_TESTS();
}
