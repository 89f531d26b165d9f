// Core test programs start here: no widgets and no display, a settings folder
// of their own, so no test reads or writes the user's settings.
#include "tests/support/testenv.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QTemporaryDir home;
    useTemporaryHome(home.path());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
