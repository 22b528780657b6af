#include "ui/Fonts.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

// A test still running after five minutes ends the test program (SIGALRM): a hang fails the run,
// the last "[ RUN ]" line naming the test, instead of holding it up.
class HangLimit : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { alarm(300); }
    void OnTestEnd(const testing::TestInfo&) override { alarm(0); }
};

// Widgets are tested offscreen, with the style and fonts the program uses. Each test program has a
// runtime folder of its own, so it meets no KVR driver but the records its tests write.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    installFontSubstitutes();
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new HangLimit);
    return RUN_ALL_TESTS();
}
