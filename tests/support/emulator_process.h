// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "test_support.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace rz::test {

// Runs the built graph-emulator on an ephemeral port of 127.0.0.1 for one test
// and stops it at scope end. The emulator also ends when the test process dies.
class EmulatorProcess
{
public:
    struct Options
    {
        std::string fixturePath; // a fixture file, or
        std::string fixtureText; // a fixture given as JSON text (written to a temporary file)
        bool autoConsent = false;
        bool limits = false;
        bool pretty = false;  // indented answers, a blank after every colon
        long maxSections = 0; // the account-wide page list fails with 20266 above this; 0: never
        int port = 0;         // 0: an ephemeral port; a test that restarts an emulator passes the old one
    };

    // The answer of an administration call: status 0 when the call itself failed.
    struct Reply
    {
        int status = 0;
        std::string headers; // the raw header lines
        std::string body;
        // A header's value (name case ignored), empty when absent.
        std::string Header(const std::string& name) const;
    };

    explicit EmulatorProcess(const Options& options);
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // True once the emulator has started and reported its port.
    bool Running() const { return m_Port > 0; }
    // Why it did not start.
    const std::string& Error() const { return m_Error; }
    int Port() const { return m_Port; }
    // "http://127.0.0.1:PORT": the Graph, identity and account endpoint alike.
    std::string BaseUrl() const;

    // Plain HTTP calls to the emulator (any route, administration included).
    Reply Get(const std::string& path, const std::string& bearerToken = {}) const;
    Reply Post(const std::string& path, const std::string& body,
               const std::string& contentType = "application/json") const;

    // How long a call waits for its answer (15 s unless set).
    void SetCallTimeout(int milliseconds) { m_CallTimeoutMs = milliseconds; }

    // Administration shortcuts; false when the emulator refused the call.
    bool ExpireTokens() const;
    bool QueueFault(const std::string& faultJson) const;
    bool ClearFaults() const;
    bool ResetCounters() const;
    // Requests counted for one route name ("token", "notebooks", ...), -1 on failure.
    long RequestCount(const std::string& route) const;
    // Moves the emulator's clock forward (limit windows, token expiry, templates
    // in admin calls and change stamps all follow it); false when refused.
    bool AdvanceClock(long seconds) const;
    // The emulator's current time (seconds since the epoch), -1 on failure.
    long long ClockNow() const;
    // How far the emulator's clock runs ahead of the machine's, in seconds; -1 on failure.
    long long ClockOffset() const;
    // The account with every id, as JSON text.
    std::string AccountJson() const;

    // Stops the emulator (SIGTERM, then SIGKILL after 5 s) and returns its exit status:
    // 0 for a clean end, 128 + signal when killed, -1 when it never ran. The
    // destructor stops it too.
    int Stop();

    // Path of the emulator binary this test build uses.
    static std::string BinaryPath();
    // Folder of the shipped fixtures.
    static std::string FixturesDir();
    // The demo account, a personal Microsoft account: 16-hex-digit user id,
    // addressed as /v1.0/me.
    static std::string SampleFixture();
    // A work account: GUID user id, addressed as /v1.0/users/{id}; nested
    // section groups, title and tag reminders, one section refused with 20185.
    static std::string WorkFixture();
    // Options serving one fixture file.
    static Options FromFile(const std::string& fixturePath, bool limits = false);

private:
    // An integer of the clock's administration answer; -1 on failure.
    long long ClockField(const char* key) const;

    pid_t m_Pid = -1;
    int m_ExitStatus = -1;
    int m_Port = 0;
    std::string m_Error;
    std::unique_ptr<TempDir> m_FixtureDir; // holds a fixture given as text
    int m_CallTimeoutMs = 15000;

    Reply Send(const std::string& method, const std::string& path, const std::string& body,
               const std::string& contentType, const std::string& bearerToken) const;
};

} // namespace rz::test
