// GoogleTest inside one application object, on the offscreen platform.

#include "TApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    // The build lists the tests; an application object then would make a runtime folder in /tmp.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    TApplication application(argc, argv);
    QApplication::setApplicationName("Plinkavorte");
    return RUN_ALL_TESTS();
}
