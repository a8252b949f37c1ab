// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "test_support.h"

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

namespace rz::test {

// A session bus of the test's own: dbus-daemon on a socket in a temporary folder, with that folder
// as its HOME, so nothing reaches the desktop's bus or the real home. Connections made through it
// are closed, and the daemon ended, with the object.
class PrivateBus
{
public:
    static constexpr const char* kDaemon = "/usr/bin/dbus-daemon";

    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    static bool Installed();
    // Starts the daemon and waits, at most ten seconds, until it listens; false otherwise (Error()).
    bool Start();
    // "unix:path=…", for DBUS_SESSION_BUS_ADDRESS or connectToBus.
    const std::string& Address() const { return m_Address; }
    // A connection of this process under `name`, closed with the bus.
    QDBusConnection Connect(const QString& name);
    // What went wrong on start, with the daemon's own words.
    std::string Error();

private:
    TempDir m_Folder;
    QProcess m_Daemon;
    std::string m_Address;
    std::string m_Error;
    QStringList m_Connections;
};

} // namespace rz::test

// Starts `bus` for the calling test: skips the test where dbus-daemon is not installed, fails it
// when the daemon does not come up.
#define RZ_START_PRIVATE_BUS(bus)                                                                            \
    do {                                                                                                     \
        if (!rz::test::PrivateBus::Installed())                                                              \
            GTEST_SKIP() << rz::test::PrivateBus::kDaemon << " is not installed";                            \
        ASSERT_TRUE((bus).Start()) << (bus).Error();                                                         \
    } while (false)
