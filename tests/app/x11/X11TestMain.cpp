// GoogleTest inside one application object on the X server of xvfb-run,
// under a real window manager.

#include "TApplication.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TApplication application(argc, argv);
    TWindowManager windowManager;
    if (!windowManager.Running()) {
        std::fprintf(stderr, "openbox did not start on the display\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
