// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace rz {

// A typed key/value view of one XML property-list dictionary file. Open one per use, read or write
// a few keys, Save when something was written. Use MConfigTransaction where another thread might
// save the same file at the same time.
class MConfig
{
public:
    // Loads the file when it exists. A file that is not a readable dictionary leaves the store
    // without one: reads give defaults, writes are ignored and Save leaves the file untouched.
    explicit MConfig(std::string fileName);
    ~MConfig();
    MConfig(const MConfig&) = delete;
    MConfig& operator=(const MConfig&) = delete;

    const std::string& FileName() const { return m_FileName; }
    bool HasDictionary() const;

    // The stored value as text (integers in decimal, booleans as "1"/"0", reals in shortest form),
    // or the default when the key is absent or holds a kind without a text form.
    std::string ReadValueDefStr(const std::string& key, const std::string& def) const;
    // Numbers are true when non-zero; strings when they begin with Y, y, T, t or 1-9 after blanks
    // and zeros.
    bool ReadValueDefBool(const std::string& key, bool def) const;
    // Strings are read as a leading decimal integer; no digits give 0.
    std::int64_t ReadValueDefInt(const std::string& key, std::int64_t def) const;
    // The stored "yyyyMMdd" text as local midnight; a text that does not parse gives no date.
    std::optional<Date> ReadValueDefDate(const std::string& key, std::optional<Date> def) const;

    // Writes change memory only; each replaces any earlier value of any kind.
    void WriteValueValueStr(const std::string& key, const std::string& value);
    void WriteValueValueInt(const std::string& key, std::int64_t value);
    void WriteValueValueBool(const std::string& key, bool value);
    void WriteValueValueDate(const std::string& key, Date value);
    // Removes the key, whatever it holds.
    void RemoveValue(const std::string& key);
    bool HasValue(const std::string& key) const { return Find(key) != nullptr; }

    // Replaces the file atomically. False when there is no dictionary or the write failed.
    bool Save();

private:
    struct Dict;

    // The value node stored under the key; null when absent or there is no dictionary.
    void* Find(const std::string& key) const;

    std::string m_FileName;
    std::unique_ptr<Dict> m_Dict;
};

// An advisory lock (flock) on "<file>.lock" beside a file, held for the object's life. Shared by
// every process that uses the same lock file; a lock file that cannot be opened (no folder) gives
// no lock, which only matters when there is nothing to protect yet.
class MFileLock
{
public:
    explicit MFileLock(const std::string& fileName);
    ~MFileLock();
    MFileLock(const MFileLock&) = delete;
    MFileLock& operator=(const MFileLock&) = delete;

private:
    int m_Fd = -1;
};

// One caller's open, change and save sequence, exclusive against every other transaction on the
// same file, in this process (a mutex) and in other processes (MFileLock), so that concurrent
// saves never drop each other's changes.
class MConfigTransaction
{
public:
    explicit MConfigTransaction(const std::string& fileName);
    MConfig& Config() { return m_Config; }
    MConfig* operator->() { return &m_Config; }

private:
    std::unique_lock<std::mutex> m_Lock;
    MFileLock m_FileLock;
    MConfig m_Config;
};

} // namespace rz
