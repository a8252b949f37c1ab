// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <vector>

namespace rz::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "rz-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_Path = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code error;
    // Restore write permission on anything a test locked down, so the cleanup can finish.
    for (auto it = std::filesystem::recursive_directory_iterator(m_Path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    }
    std::filesystem::permissions(m_Path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_Path, error);
}

ScopedTimeZone::ScopedTimeZone(const char* zone)
{
    if (const char* previous = std::getenv("TZ")) {
        m_HadZone = true;
        m_Previous = previous;
    }
    ::setenv("TZ", zone, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (m_HadZone) {
        ::setenv("TZ", m_Previous.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_Name(name)
{
    if (const char* previous = std::getenv(name)) {
        m_Had = true;
        m_Previous = previous;
    }
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv()
{
    if (m_Had) {
        ::setenv(m_Name.c_str(), m_Previous.c_str(), 1);
    } else {
        ::unsetenv(m_Name.c_str());
    }
}

ScopedEndpoints::ScopedEndpoints(const Endpoints& endpoints)
{
    SetEndpoints(endpoints);
}

ScopedEndpoints::ScopedEndpoints(const std::string& everyEndpoint)
{
    Endpoints endpoints;
    endpoints.GraphEndpoint = endpoints.IdentityEndpoint = endpoints.AccountEndpoint = everyEndpoint;
    SetEndpoints(endpoints);
}

ScopedEndpoints::~ScopedEndpoints()
{
    SetEndpoints(Endpoints());
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace rz::test
