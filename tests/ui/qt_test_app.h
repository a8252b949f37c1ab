#pragma once

#include <QApplication>

namespace rz::test {

// The one QApplication of a Qt test executable, made on first use and kept to the end.
inline QApplication& QtTestApp()
{
    static int argc = 1;
    static char name[] = "rz-ui-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

} // namespace rz::test
