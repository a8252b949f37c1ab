#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rz {

// XML property list whose root is an array of strings (the stored reminder and tag page lists).
// None when the file is missing, not a property list, or its root is not an array; entries that are
// not strings are skipped.
std::optional<std::vector<std::string>> ReadPlistStringArray(const std::string& path);
// Written atomically through WriteTextFile.
bool WritePlistStringArray(const std::string& path, const std::vector<std::string>& lines);

} // namespace rz
