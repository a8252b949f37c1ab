// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sign_in_window.h"

#include "util/files.h"
#include "util/log.h"
#include "util/text.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <sstream>
#include <string_view>
#include <sys/prctl.h>
#include <unistd.h>

namespace rz {
namespace {

using RunFunction = int (*)(int, char**, int, void (*)(int, const char*, const char*));

// The folder of the running program.
std::string ProgramFolder()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return {};
    }
    std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

// Beside the program in a build tree, else in the installed library folder.
std::string SignInModulePath()
{
    const std::string folder = ProgramFolder();
    for (const std::string& candidate :
         {folder + "/" + kSignInModuleName, folder + "/" + RZ_SIGN_IN_MODULE_DIR + "/" + kSignInModuleName}) {
        if (FileExists(candidate)) {
            return candidate;
        }
    }
    return {};
}

void WriteResult(int justLoggedIn, const char* code, const char* codeVerifier)
{
    SignInResult result;
    result.Ran = true;
    result.JustLoggedIn = justLoggedIn != 0;
    result.AuthorizationCode = code != nullptr ? code : "";
    result.CodeVerifier = codeVerifier != nullptr ? codeVerifier : "";
    // The code is for the parent's pipe, never for a terminal.
    if (::isatty(STDOUT_FILENO) == 0) {
        const std::string text = SignInResultText(result);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
}

int LogInOrOutOf(int argc, char** argv)
{
    const std::string_view option = kSignInWindowOption;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (StrStartsWith(option, argument)) {
            return argument == std::string(option) + "=0" ? 0 : 1;
        }
    }
    return 0;
}

} // namespace

bool IsSignInWindowCall(int argc, char** argv)
{
    return argc > 1 && StrStartsWith(kSignInWindowOption, argv[1]);
}

int SignInWindowMain(int argc, char** argv)
{
    const std::string path = SignInModulePath();
    void* module = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        LogWarning(std::string("sign-in module not loaded: ") +
                   (path.empty() ? kSignInModuleName : ::dlerror()));
        return 2;
    }
    const auto run = reinterpret_cast<RunFunction>(::dlsym(module, "rz_sign_in_window_run"));
    if (run == nullptr) {
        LogWarning("sign-in module without its entry point");
        return 2;
    }
    // The engine's threads outlive a return from here; the process ends without unloading it.
    const int status = run(argc, argv, LogInOrOutOf(argc, argv), &WriteResult);
    std::fflush(stdout);
    ::_exit(status);
}

std::string SignInResultText(const SignInResult& result)
{
    std::string text;
    text += std::string(kSignInResultPrefix) + "JustLoggedIn=" + (result.JustLoggedIn ? "1" : "0") + "\n";
    text += std::string(kSignInResultPrefix) + "CodeVerifier=" + result.CodeVerifier + "\n";
    // Last: the line that tells the parent the window ran to its end.
    text += std::string(kSignInResultPrefix) + "AuthorizationCode=" + result.AuthorizationCode + "\n";
    return text;
}

SignInResult ParseSignInResult(const std::string& output)
{
    SignInResult result;
    std::istringstream lines(output);
    std::string line;
    const std::string prefix = kSignInResultPrefix;
    while (std::getline(lines, line)) {
        if (!StrStartsWith(prefix, line)) {
            continue;
        }
        const std::string entry = line.substr(prefix.size());
        if (entry == "JustLoggedIn=1") {
            result.JustLoggedIn = true;
        } else if (StrStartsWith("CodeVerifier=", entry)) {
            result.CodeVerifier = entry.substr(std::strlen("CodeVerifier="));
        } else if (StrStartsWith("AuthorizationCode=", entry)) {
            result.AuthorizationCode = entry.substr(std::strlen("AuthorizationCode="));
            result.Ran = true;
        }
    }
    return result;
}

SignInResult RunSignInWindowProcess(int logInOrOut, const std::string& applicationSupportFolder)
{
    if (SignInModulePath().empty()) {
        LogWarning("sign-in window not available: its module is missing");
        return {};
    }
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments(
        {QStringLiteral("%1=%2").arg(QLatin1String(kSignInWindowOption)).arg(logInOrOut != 0 ? 1 : 0)});
    if (!applicationSupportFolder.empty()) {
        // The agent may have been given its folder on the command line; the window saves there too.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(applicationSupportFolder));
        child.setProcessEnvironment(environment);
    }
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The window goes with the agent, however the agent ends.
    child.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });

    QEventLoop loop;
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    child.start();
    if (!child.waitForStarted()) {
        LogWarning("sign-in window did not start");
        return {};
    }
    if (child.state() != QProcess::NotRunning) {
        loop.exec();
    }
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
    }
    SignInResult result = ParseSignInResult(child.readAllStandardOutput().toStdString());
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        LogWarning("sign-in window ended with a failure");
        result.Ran = false;
    }
    return result;
}

} // namespace rz
