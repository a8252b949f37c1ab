// SPDX-License-Identifier: GPL-3.0-or-later
// graph-emulator: serves one account's identity and Microsoft Graph answers on
// 127.0.0.1 for tests, benchmarks and the demo.
#include "emulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <signal.h>
#include <string>
#include <thread>

#if defined(__SANITIZE_THREAD__)
// Debian's libcpp-httplib is not instrumented: ThreadSanitizer cannot see the
// synchronisation inside it (its function-local statics) and reports the
// library's own copies and compares as races.
extern "C" const char* __tsan_default_suppressions() // NOLINT(bugprone-reserved-identifier): the hook's name
{
    return "called_from_lib:libcpp-httplib.so\n";
}
#endif

namespace {

void Usage()
{
    std::fprintf(stderr,
                 "usage: graph-emulator --port N --fixture FILE [--auto-consent] [--limits] [--pretty]\n"
                 "                      [--max-sections N]\n"
                 "  --port N        port on 127.0.0.1; 0 picks a free one and prints it first\n"
                 "  --fixture FILE  the account to serve (see tools/graph-emulator/README.md)\n"
                 "  --auto-consent  the sign-in page redirects at once, without a form\n"
                 "  --limits        enforce OneNote's per-user limits (120/min, 400/h)\n"
                 "  --pretty        indented JSON answers, a blank after every colon\n"
                 "  --max-sections N  the account-wide page list fails with 20266 above N sections\n");
}

// A decimal number from 0 to `max`.
bool ParseNumber(const char* text, long max, long& number)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > max) {
        return false;
    }
    number = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    emu::Options options;
    bool havePort = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            long port = 0;
            if (!ParseNumber(argv[++i], 65535, port)) {
                std::fprintf(stderr, "graph-emulator: bad port \"%s\"\n", argv[i]);
                return 2;
            }
            options.port = static_cast<int>(port);
            havePort = true;
        } else if (arg == "--fixture" && i + 1 < argc) {
            options.fixture = argv[++i];
        } else if (arg == "--auto-consent") {
            options.autoConsent = true;
        } else if (arg == "--limits") {
            options.limits = true;
        } else if (arg == "--pretty") {
            options.pretty = true;
        } else if (arg == "--max-sections" && i + 1 < argc) {
            long sections = 0;
            if (!ParseNumber(argv[++i], 1000000000L, sections) || sections == 0) {
                std::fprintf(stderr, "graph-emulator: bad section count \"%s\"\n", argv[i]);
                return 2;
            }
            options.maxSections = sections;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "graph-emulator: unknown argument \"%s\"\n", arg.c_str());
            Usage();
            return 2;
        }
    }
    if (!havePort || options.fixture.empty()) {
        Usage();
        return 2;
    }

    // Signals are taken by one waiting thread; every other thread keeps them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1); // wakes the waiter when the server ends on its own
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    emu::Emulator emulator(options);
    std::string error;
    if (!emulator.Load(error)) {
        std::fprintf(stderr, "graph-emulator: %s\n", error.c_str());
        return 1;
    }
    const int port = emulator.Bind();
    if (port <= 0) {
        std::fprintf(stderr, "graph-emulator: cannot bind 127.0.0.1:%d: %s\n", options.port,
                     std::strerror(errno));
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);
    std::fprintf(stderr, "graph-emulator: serving %s on http://127.0.0.1:%d\n", options.fixture.c_str(),
                 port);

    std::thread waiter([&emulator, stopSignals] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        if (sig != SIGUSR1) {
            emulator.Stop();
        }
    });
    const bool ok = emulator.Run();
    pthread_kill(waiter.native_handle(), SIGUSR1);
    waiter.join();
    return ok ? 0 : 1;
}
