// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/endpoints.h"

#include <cstdlib>
#include <string>

namespace rz::test {

// A fresh private folder under the system temp folder, removed with everything in it at scope end.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return m_Path + "/" + name; }

private:
    std::string m_Path;
};

// Sets TZ for its scope (and calls tzset), restoring the previous zone afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_HadZone = false;
    std::string m_Previous;
};

// Sets an environment variable for its scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_Name;
    bool m_Had = false;
    std::string m_Previous;
};

// Points the account code at other endpoints for its scope; the defaults come back afterwards, even
// when an assertion ends the test early.
class ScopedEndpoints
{
public:
    explicit ScopedEndpoints(const Endpoints& endpoints);
    // Graph, identity and account endpoints all at one address: the emulator's.
    explicit ScopedEndpoints(const std::string& everyEndpoint);
    ~ScopedEndpoints();
    ScopedEndpoints(const ScopedEndpoints&) = delete;
    ScopedEndpoints& operator=(const ScopedEndpoints&) = delete;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

} // namespace rz::test
