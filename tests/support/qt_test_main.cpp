#include <gtest/gtest.h>

#include "platform/qt/guarded_application.h"

// Widget tests need one QApplication for the whole run (offscreen platform in CI).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    scrivane::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
