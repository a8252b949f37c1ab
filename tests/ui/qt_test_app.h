// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace rz::test {

// The one QApplication of a Qt test executable, made on first use. It is never destroyed: Qt's own
// globals may already be gone when static destructors run at exit.
inline QApplication& QtTestApp()
{
    static int argc = 1;
    static char name[] = "rz-ui-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace rz::test
