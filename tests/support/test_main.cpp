// Entry point of every test program: a toolkit application (offscreen) for window tests.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <string>

#include "platform/toolkit.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The toolkit wants a private runtime folder; CI machines often have none.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        std::string runtime = "/tmp/ddns-test-runtime-" + std::to_string(::getuid());
        ::mkdir(runtime.c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    }
    QApplication app(argc, argv);
    load_toolkit_translation();
    return RUN_ALL_TESTS();
}
