#pragma once
// The one application object of the Qt tests, on the offscreen platform
// unless another is asked for.
#include <QApplication>

namespace zin::test {

inline QApplication& QtApp()
{
    static int argc = 1;
    static char name[] = "widget_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: widgets of a failed test may outlive any scope.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace zin::test
