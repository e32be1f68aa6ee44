// SPDX-License-Identifier: MIT
#include "app/SettingsStore.h"

#include "common/Errors.h"
#include "common/Utf8.h"
#include "common/WriteAll.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::app {

namespace {

// Names the temporary a write is prepared in, so that a stale one is told
// apart from a file of the user's such as "Quillet.ini.backup".
constexpr std::string_view PartialInfix = ".partial-";

class FdGuard {
public:
    explicit FdGuard(int fd = -1) : fd_(fd) {}
    ~FdGuard() { reset(); }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const noexcept { return fd_; }
    // Closes now and tells whether the close succeeded.
    bool reset() noexcept
    {
        bool ok = true;
        if (fd_ >= 0)
            ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

int openRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

enum class FileState { Missing, Read, Damaged };

struct StoreFile {
    FileState state = FileState::Missing;
    ErrorKind damage = ErrorKind::ReadFailed; // why a damaged one is not taken
    std::string bytes;
    mode_t mode = 0600;
};

// Reads the whole store, refusing anything that is not a plain file of sane
// size. O_NONBLOCK keeps a FIFO planted at the path from hanging the open.
StoreFile readStoreFile(const std::string& path)
{
    StoreFile file;
    FdGuard fd(openRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        file.state = (errno == ENOENT || errno == ENOTDIR) ? FileState::Missing : FileState::Damaged;
        file.damage = errorKindOfErrno(errno, ErrorKind::ReadFailed);
        return file;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)
        || static_cast<std::uintmax_t>(info.st_size) > MaxStoreBytes) {
        file.state = FileState::Damaged;
        if (S_ISREG(info.st_mode))
            file.damage = ErrorKind::TooLarge;
        else if (info.st_mode != 0)
            file.damage = ErrorKind::NotRegularFile;
        return file;
    }
    file.mode = info.st_mode & 07777;

    // The size may change under us; never take more than the bound.
    char buffer[16 * 1024];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            file.state = FileState::Damaged;
            file.damage = errorKindOfErrno(errno, ErrorKind::ReadFailed);
            file.bytes.clear();
            return file;
        }
        if (got == 0)
            break;
        file.bytes.append(buffer, static_cast<std::size_t>(got));
        if (file.bytes.size() > MaxStoreBytes) {
            file.state = FileState::Damaged;
            file.damage = ErrorKind::TooLarge;
            file.bytes.clear();
            return file;
        }
    }
    file.state = FileState::Read;
    return file;
}

// Creates the missing directories above the store, private to the user.
// Why it could not; nullopt when the folder is there.
std::optional<ErrorKind> makeParentDirectories(const std::string& path)
{
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (dir.empty())
        return std::nullopt;
    std::vector<std::filesystem::path> missing;
    std::error_code error;
    for (std::filesystem::path step = dir; !step.empty() && !std::filesystem::exists(step, error);
         step = step.parent_path()) {
        missing.push_back(step);
        if (step == step.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST)
            return errorKindOfErrno(errno, ErrorKind::CreateFailed);
    }
    if (!std::filesystem::is_directory(dir, error))
        return ErrorKind::CreateFailed; // a file where the folder should be
    return std::nullopt;
}

// The file to replace: the target of a symbolic link, so that a store kept
// elsewhere and linked in stays linked. Empty for a dangling link.
std::string replacementTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    std::string target(real);
    std::free(real);
    return target;
}

// Writes `bytes` beside `target` and renames the result over it. Why it
// could not; nullopt when it did.
std::optional<ErrorKind> replaceFile(const std::string& target, std::string_view bytes, mode_t mode)
{
    std::string tempPath = target + std::string(PartialInfix) + "XXXXXX";
    FdGuard fd(::mkostemp(tempPath.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return errorKindOfErrno(errno, ErrorKind::CreateFailed);
    bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = fd.reset() && ok;
    if (ok)
        ok = ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(tempPath.c_str());
        return errorKindOfErrno(error, ErrorKind::WriteFailed);
    }
    // Make the rename itself durable; a failure here loses nothing already
    // written, so it is not reported.
    std::filesystem::path dir = std::filesystem::path(target).parent_path();
    FdGuard dirFd(openRetrying(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        ::fsync(dirFd.get());
    return std::nullopt;
}

} // namespace

std::optional<std::int32_t> parseStoredInteger(std::string_view text)
{
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return std::nullopt;
    text = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);

    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // One past the largest magnitude, so the limit check stays in range.
    constexpr std::int64_t Limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude >= Limit)
            return std::nullopt;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path))
{
    StoreFile file = readStoreFile(path_);
    if (file.state == FileState::Read)
        view_ = IniDocument::parse(file.bytes);
}

SettingsStore::~SettingsStore()
{
    close();
}

std::string SettingsStore::defaultPath()
{
    std::string base;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && configHome[0] == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home && home[0] != '\0') {
            base = home;
        } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
            base = entry->pw_dir;
        }
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        base += "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/Vantre/Quillet.ini";
}

std::string SettingsStore::readString(std::string_view section, std::string_view ident,
                                      std::string_view defaultValue) const
{
    std::optional<std::string_view> value = view_.find(section, ident);
    if (!value || !isValidUtf8(*value))
        return std::string(defaultValue);
    return std::string(*value);
}

std::int32_t SettingsStore::readInteger(std::string_view section, std::string_view ident,
                                        std::int32_t defaultValue) const
{
    std::optional<std::string_view> value = view_.find(section, ident);
    if (!value)
        return defaultValue;
    return parseStoredInteger(*value).value_or(defaultValue);
}

bool SettingsStore::readBool(std::string_view section, std::string_view ident, bool defaultValue) const
{
    return readInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

bool SettingsStore::writeString(std::string_view section, std::string_view ident, std::string_view value)
{
    if (!IniDocument::isStorableSection(section) || !IniDocument::isStorableName(ident)
        || !IniDocument::isStorableValue(value))
        return false;
    pending_.push_back({std::string(section), std::string(ident), std::string(value), {}});
    view_.set(section, ident, value);
    return true;
}

bool SettingsStore::writeMade(std::string_view section, std::string_view ident, MakeValue make)
{
    if (!IniDocument::isStorableSection(section) || !IniDocument::isStorableName(ident))
        return false;
    std::string value = make(view_.find(section, ident));
    if (IniDocument::isStorableValue(value))
        view_.set(section, ident, value);
    pending_.push_back({std::string(section), std::string(ident), std::move(value), std::move(make)});
    return true;
}

bool SettingsStore::writeInteger(std::string_view section, std::string_view ident, std::int32_t value)
{
    return writeString(section, ident, std::to_string(value));
}

bool SettingsStore::writeBool(std::string_view section, std::string_view ident, bool value)
{
    return writeString(section, ident, value ? "1" : "0");
}

bool SettingsStore::close()
{
    if (pending_.empty())
        return true;
    failure_ = commit();
    pending_.clear();
    return !failure_;
}

namespace {

// A writer killed between making its temporary file and renaming it leaves
// "Quillet.ini.partial-XXXXXX" behind. Under the lock no writer of the store
// is between those two steps, so every such file of this user is stale.
void removeStaleTemporaries(const std::string& target)
{
    const std::filesystem::path store(target);
    const std::string prefix = store.filename().string() + std::string(PartialInfix);
    std::error_code error;
    std::filesystem::directory_iterator entries(store.parent_path().empty() ? "." : store.parent_path(), error);
    if (error)
        return;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const bool randomPart = std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                                            [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
        struct stat info {};
        if (randomPart && ::lstat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode)
            && info.st_uid == ::geteuid())
            ::unlink(entry.path().c_str());
    }
}

} // namespace

std::optional<ErrorKind> SettingsStore::commit()
{
    if (const auto failed = makeParentDirectories(path_))
        return failed;

    // flock rather than a lock file that is created and removed: the kernel
    // drops it when a holder dies, so a crash never leaves the store locked.
    // The lock file itself stays beside the store.
    std::string lockPath = path_ + ".lock";
    FdGuard lock(openRetrying(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.get() < 0)
        return errorKindOfErrno(errno, ErrorKind::CreateFailed);
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return ErrorKind::WriteFailed;
    }

    std::string target = replacementTarget(path_);
    if (target.empty())
        return ErrorKind::FileNotFound; // a link to nothing
    removeStaleTemporaries(target);
    StoreFile current = readStoreFile(target);
    if (current.state == FileState::Damaged)
        return current.damage;

    IniDocument merged = IniDocument::parse(current.bytes);
    for (const Write& write : pending_) {
        const std::string value = write.make ? write.make(merged.find(write.section, write.ident)) : write.value;
        if (IniDocument::isStorableValue(value))
            merged.set(write.section, write.ident, value);
    }
    std::string bytes = merged.serialize();
    if (current.state == FileState::Read && bytes == current.bytes) {
        view_ = std::move(merged);
        return std::nullopt;
    }
    // A file made read-only is left as its owner made it, though the folder
    // would let it be replaced.
    if (current.state == FileState::Read && ::access(target.c_str(), W_OK) != 0)
        return errorKindOfErrno(errno, ErrorKind::WriteFailed);
    if (bytes.size() > MaxStoreBytes)
        return ErrorKind::TooLarge;
    if (const auto failed = replaceFile(target, bytes, current.mode))
        return failed;
    view_ = std::move(merged);
    return std::nullopt;
}

} // namespace quillet::app
