// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
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

using PlistStringArrayDict = std::map<std::string, std::vector<std::string>>;
// XML property list whose root is a dictionary of string arrays (the mirror's error sections).
// None when the file is missing or its root is not a dictionary; values that are not arrays are
// skipped, and so are entries of an array that are not strings.
std::optional<PlistStringArrayDict> ReadPlistStringArrayDict(const std::string& path);
// Written atomically through WriteTextFile.
bool WritePlistStringArrayDict(const std::string& path, const PlistStringArrayDict& dict);

} // namespace rz
