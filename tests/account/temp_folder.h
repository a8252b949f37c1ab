#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace rz::test {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "rz-account-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_Path = pattern;
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_Path.empty()) {
            std::filesystem::remove_all(m_Path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return m_Path + "/" + name; }

private:
    std::string m_Path;
};

} // namespace rz::test
