#include "ui/EnterKeyRule.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// One main for every test program: Qt widgets need a QApplication, and tests run them offscreen.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Where the sources (db/ scripts, expected files) and the built programs are; a caller may override.
    ::setenv("KB_SOURCE_DIR", KB_SOURCE_DIR_DEFAULT, 0);
    ::setenv("KB_BUILD_DIR", KB_BUILD_DIR_DEFAULT, 0);
    QApplication app(argc, argv);
    kb::TEnterKeyRule enterKeys; // the program holds the same rule
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
