#include <QCoreApplication>

#include <gtest/gtest.h>

// The tests that need Qt's event loop, or the program's folder, run inside an application.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
