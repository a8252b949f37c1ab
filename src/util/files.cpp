// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/files.h"

#include "util/log.h"
#include "util/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace rz {
namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPrivateFolder = 0700;

std::mutex g_OpenerMutex;
UrlOpener g_Opener;

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view text)
{
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// A new file is private; an existing one keeps its mode only when that is stricter.
mode_t ModeFor(const std::string& path)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        const mode_t existing = info.st_mode & 0777;
        if ((existing & ~kPrivateFile) == 0) {
            return existing;
        }
    }
    return kPrivateFile;
}

bool IsRealFolder(const std::string& path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The names in an open folder, "." and ".." left out. Takes the descriptor over and closes it.
std::optional<std::vector<std::string>> NamesAt(int fd)
{
    DIR* folder = ::fdopendir(fd);
    if (folder == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(folder);
    return names;
}

// Empties the folder open at `fd` (and closes it). Each entry is examined and removed relative to
// its folder's descriptor, so nothing swapped in above it can redirect the walk; a folder entry is
// opened with O_NOFOLLOW, and one that turned into a link meanwhile is unlinked as the link it is.
bool DeleteContentsAt(int fd)
{
    const int walk = ::dup(fd);
    if (walk < 0) {
        ::close(fd);
        return false;
    }
    const auto names = NamesAt(walk);
    bool deleted = names.has_value();
    for (std::size_t i = 0; deleted && i < names->size(); ++i) {
        const char* name = (*names)[i].c_str();
        const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0) {
            deleted = DeleteContentsAt(child) && (::unlinkat(fd, name, AT_REMOVEDIR) == 0 || errno == ENOENT);
        } else {
            deleted = ::unlinkat(fd, name, 0) == 0 || errno == ENOENT;
        }
    }
    ::close(fd);
    return deleted;
}

std::size_t RemoveTemporaryFilesAt(int fd, bool recursive)
{
    const int walk = ::dup(fd);
    const auto names = walk >= 0 ? NamesAt(walk) : std::nullopt;
    std::size_t removed = 0;
    for (const std::string& name : names.value_or(std::vector<std::string>{})) {
        struct stat info = {};
        if (::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISREG(info.st_mode) && IsTemporaryFileName(name)) {
            removed += ::unlinkat(fd, name.c_str(), 0) == 0 ? 1 : 0;
        } else if (recursive && S_ISDIR(info.st_mode)) {
            const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                removed += RemoveTemporaryFilesAt(child, true);
            }
        }
    }
    ::close(fd);
    return removed;
}

} // namespace

bool FileExists(const std::string& path)
{
    struct stat info = {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::optional<std::string> ReadTextFile(const std::string& path, std::size_t maxBytes)
{
    std::optional<std::string> content = ReadRawFile(path, maxBytes);
    if (!content || !IsValidUtf8(*content)) {
        return std::nullopt;
    }
    return content;
}

std::optional<std::string> ReadRawFile(const std::string& path, std::size_t maxBytes)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    // Read straight into the text, sized from the file, so a store walk copies each byte once; a
    // file that grows meanwhile is still read to its end, but never past the bound.
    const size_t expected = static_cast<size_t>(info.st_size);
    std::string content(expected + 1, '\0');
    size_t have = 0;
    while (true) {
        if (have == content.size()) {
            if (have > maxBytes) {
                ::close(fd);
                return std::nullopt;
            }
            content.resize(std::min(content.size() * 2 + 65536, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, content.data() + have, content.size() - have);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        have += static_cast<size_t>(got);
    }
    ::close(fd);
    if (have > maxBytes) {
        return std::nullopt;
    }
    content.resize(have);
    return content;
}

bool WriteTextFile(const std::string& path, std::string_view text)
{
    if (path.empty() || path.back() == '/') {
        return false;
    }
    const mode_t mode = ModeFor(path);
    std::string temporary = path + ".tmp-XXXXXX";
    std::vector<char> pattern(temporary.begin(), temporary.end());
    pattern.push_back('\0');
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    temporary.assign(pattern.data());
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; failure here leaves a whole file either way.
    const int folder = ::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool CreateFolder(const std::string& path)
{
    if (path.empty()) {
        return false;
    }
    size_t position = 0;
    while (position != std::string::npos) {
        position = path.find('/', position + 1);
        const std::string prefix = path.substr(0, position);
        if (prefix.empty() || IsRealFolder(prefix)) {
            continue;
        }
        if (::mkdir(prefix.c_str(), kPrivateFolder) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFolderContents(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 && DeleteContentsAt(fd);
}

int OpenLockedFile(const std::string& path, bool wait)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return -1;
    }
    int locked = 0;
    do {
        locked = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool DeleteFolder(const std::string& path)
{
    struct stat info = {};
    if (::lstat(path.c_str(), &info) != 0) {
        return true;
    }
    if (!S_ISDIR(info.st_mode) || !DeleteFolderContents(path)) {
        return false;
    }
    return ::rmdir(path.c_str()) == 0;
}

bool IsTemporaryFileName(std::string_view name)
{
    constexpr std::string_view kMarker = ".tmp-";
    constexpr std::size_t kRandomPart = 6; // mkostemp's XXXXXX
    return name.size() > kMarker.size() + kRandomPart &&
           name.substr(name.size() - kRandomPart - kMarker.size(), kMarker.size()) == kMarker;
}

std::size_t RemoveTemporaryFiles(const std::string& folder, bool recursive)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd < 0 ? 0 : RemoveTemporaryFilesAt(fd, recursive);
}

bool TightenFolderMode(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info = {};
    bool tight = ::fstat(fd, &info) == 0;
    if (tight && (info.st_mode & 077) != 0) {
        tight = ::fchmod(fd, kPrivateFolder) == 0;
    }
    ::close(fd);
    return tight;
}

void SetUrlOpener(UrlOpener opener)
{
    std::lock_guard lock(g_OpenerMutex);
    g_Opener = std::move(opener);
}

void OpenUrl(std::string_view text)
{
    const std::string url = StrReplaceAll(StrReplaceAll(text, "{", ""), "}", "");
    UrlOpener opener;
    {
        std::lock_guard lock(g_OpenerMutex);
        opener = g_Opener;
    }
    if (!opener) {
        LogInfo("no URL opener registered; link not opened");
        return;
    }
    opener(url);
}

} // namespace rz
