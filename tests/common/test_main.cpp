#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// One main for every test program: Qt widgets need a QApplication, and tests run them offscreen.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
