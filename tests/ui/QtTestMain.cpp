// main() for the widget tests: GoogleTest inside a QApplication. Defining main here keeps the
// one from gtest_main out of the link.
#include "ui/look/ZandrelStyle.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(new ZandrelStyle); // the widgets look as they do in the program
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
