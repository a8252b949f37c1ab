// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

// The hidden option that makes the program the sign-in window: "--sign-in-window=<LogInOrOut>".
inline constexpr const char* kSignInWindowOption = "--sign-in-window";
// The shared object that holds the window and the web engine, beside the program or in its
// installed library folder.
inline constexpr const char* kSignInModuleName = "redozevuviva-sign-in.so";
// Prefix of the result lines the window process writes to its standard output.
inline constexpr const char* kSignInResultPrefix = "rz-sign-in:";

// What a sign-in window reported when it closed. The account itself is in the settings file,
// which the window saved.
struct SignInResult
{
    bool Ran = false; // the window opened and closed normally
    bool JustLoggedIn = false;
    std::string AuthorizationCode;
    std::string CodeVerifier; // the PKCE verifier that goes with the code
};

// True when the command line asks for the sign-in window process.
bool IsSignInWindowCall(int argc, char** argv);
// The sign-in window process: loads the sign-in module, runs the window modally and reports to
// the parent on standard output. Returns the exit status.
int SignInWindowMain(int argc, char** argv);

// The result lines of a window process, as SignInWindowMain writes them.
std::string SignInResultText(const SignInResult& result);
// Reads them back; other lines are ignored.
SignInResult ParseSignInResult(const std::string& output);

// Runs this program as the sign-in window in a child process and waits for it while the event
// loop goes on, so the web engine never enters this process. A missing module or a failed start
// gives a result that did not run.
SignInResult RunSignInWindowProcess(int logInOrOut, const std::string& applicationSupportFolder = {});

} // namespace rz
