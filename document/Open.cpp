// SPDX-License-Identifier: MIT
#include "document/Open.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "container/Container.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>

namespace quillet {

namespace {

constexpr std::string_view Separator = "::";

// The rest of `file` after `start`, for opening as a container.
std::string readContainerFile(std::FILE* file, std::string start, std::string_view name)
{
    std::string bytes = std::move(start);
    char buffer[64 * 1024];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes.size() + got > MaxContainerFileSize)
            throw QuilletError(ErrorKind::TooLarge, std::string(name) + ": over 1 GB");
        bytes.append(buffer, got);
    }
    if (std::ferror(file))
        throw QuilletError(ErrorKind::ReadFailed, std::string(name));
    return bytes;
}

// The start of a file, enough to tell a container by, and the file's size:
// a regular file's own, else as much as was read.
std::uint64_t readFileHead(std::FILE* file, std::string& head, const std::string& name)
{
    // In steps, so that only the pages a short file fills are touched: a
    // zeroed 64 KB buffer was a tenth of a small conversion.
    head.clear();
    head.reserve(ContainerHeadSize);
    char step[4096];
    for (std::size_t got;
         head.size() < ContainerHeadSize
         && (got = std::fread(step, 1, std::min(sizeof step, ContainerHeadSize - head.size()), file)) > 0;)
        head.append(step, got);
    if (std::ferror(file))
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), name);
    struct stat info;
    if (head.size() == ContainerHeadSize && ::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode))
        return static_cast<std::uint64_t>(info.st_size);
    return head.size();
}

// The scheme of a URI ("file", "http"): letters, digits, "+", "-" and "."
// after a letter, up to the first ":"; empty when `name` has none.
std::string_view uriScheme(std::string_view name)
{
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(name[0])))
        return {};
    const std::string_view scheme = name.substr(0, colon);
    const bool valid = std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
    return valid ? scheme : std::string_view{};
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The host of a file URI that still means this machine.
bool isLocalHost(std::string_view host)
{
    if (host.empty() || equalsIgnoringCase(host, "localhost"))
        return true;
    char own[256] = {};
    return ::gethostname(own, sizeof own - 1) == 0 && equalsIgnoringCase(host, own);
}

} // namespace

std::string localName(std::string_view name)
{
    const std::string_view scheme = uriScheme(name);
    if (scheme.empty())
        return std::string(name);
    std::string_view rest = name.substr(scheme.size() + 1);
    if (!equalsIgnoringCase(scheme, "file")) {
        // "notes:1.bas" or "games.dsk::A.BAS" name files; "scheme://" does not.
        if (rest.starts_with("//"))
            throw QuilletError(ErrorKind::NotLocalFile, std::string(name));
        return std::string(name);
    }
    // "file:x" with no slash is a file of that name in the current folder.
    if (!rest.starts_with('/'))
        return std::string(name);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        if (!isLocalHost(rest.substr(0, slash)))
            throw QuilletError(ErrorKind::NotLocalFile, std::string(name));
        rest.remove_prefix(slash);
        if (rest.empty())
            throw QuilletError(ErrorKind::BadFileUri, std::string(name));
    }
    std::string local;
    local.reserve(rest.size());
    for (std::size_t at = 0; at < rest.size(); ++at) {
        const char c = rest[at];
        if (c == '?' || c == '#')
            throw QuilletError(ErrorKind::BadFileUri, std::string(name));
        if (c != '%') {
            local += c;
            continue;
        }
        const int high = at + 2 < rest.size() ? hexDigitValue(rest[at + 1]) : -1;
        const int low = high >= 0 ? hexDigitValue(rest[at + 2]) : -1;
        const int byte = high * 16 + low;
        // A file name holds neither; an escaped "/" is not a folder's end.
        if (low < 0 || byte == 0 || byte == '/')
            throw QuilletError(ErrorKind::BadFileUri, std::string(name));
        local += static_cast<char>(byte);
        at += 2;
    }
    return local;
}

std::string MemberPath::text() const
{
    std::string joined = file;
    for (const std::string& member : members)
        joined += std::string(Separator) + member;
    return joined;
}

std::string MemberPath::parentText() const
{
    if (members.empty())
        return {};
    return MemberPath{file, {members.begin(), members.end() - 1}}.text();
}

std::string MemberPath::leafName() const
{
    const std::string& last = members.empty() ? file : members.back();
    const std::size_t slash = last.find_last_of('/');
    return slash == std::string::npos ? last : last.substr(slash + 1);
}

MemberPath splitMemberPath(std::string_view text, const std::function<bool(const std::string&)>& isFile)
{
    std::vector<std::size_t> cuts;
    for (std::size_t at = text.find(Separator); at != std::string_view::npos; at = text.find(Separator, at + 2))
        cuts.push_back(at);
    std::size_t fileEnd = text.size();
    if (!cuts.empty() && !isFile(std::string(text))) {
        const auto found = std::find_if(cuts.begin(), cuts.end(),
                                        [&](std::size_t cut) { return isFile(std::string(text.substr(0, cut))); });
        fileEnd = found != cuts.end() ? *found : cuts.front();
    }
    MemberPath path;
    path.file = std::string(text.substr(0, fileEnd));
    std::size_t start = fileEnd + 2;
    while (start <= text.size() && fileEnd < text.size()) {
        std::size_t end = text.find(Separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        path.members.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    return path;
}

MemberPath splitMemberPath(std::string_view text, const FileAccess& access)
{
    return splitMemberPath(text, [&](const std::string& path) { return access.isFile(path); });
}

std::optional<std::string> FileAccess::readBeside(const std::string& path, std::size_t limit) const
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), path);
    }
    // Only a regular file is read: a pipe or device beside a picture would
    // block. The open checks again, for one put there since.
    if (!S_ISREG(info.st_mode))
        throw QuilletError(ErrorKind::NotRegularFile, path);
    const FilePtr file = openRegularFileForReading(path);
    std::string bytes(limit, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get()))
        throw QuilletError(ErrorKind::ReadFailed, path);
    return bytes;
}

bool DiskFiles::isFile(const std::string& path) const
{
    if (rule_ == Rule::StreamsToo && path == "-")
        return true;
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

FilePtr DiskFiles::open(const std::string& path) const
{
    if (rule_ == Rule::RegularOnly)
        return openRegularFileForReading(path);
    if (path != "-")
        return openForReading(path);
    // A stream of its own on standard input, so that closing it leaves
    // standard input as it was.
    const int fd = ::dup(STDIN_FILENO);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "rb") : nullptr;
    if (!file) {
        if (fd >= 0)
            ::close(fd);
        throw QuilletError(ErrorKind::ReadFailed, "standard input");
    }
    return FilePtr(file);
}

Opened::Opened(Opened&&) noexcept = default;
Opened& Opened::operator=(Opened&&) noexcept = default;
Opened::~Opened() = default;

void Opened::settle(std::uint64_t size)
{
    containerKind_ = containerKindOf(std::string_view(*bytes_).substr(0, ContainerHeadSize), size, name_);
    if (containerKind_) {
        if (mimeType_.empty())
            mimeType_ = containerKindInfo(*containerKind_).mimeType;
        return;
    }
    const DocumentKind kind = documentKindOf(std::string_view(*bytes_), size, name_);
    if (stream_) {
        rest_ = std::make_unique<FileSource>(stream_, std::move(*bytes_));
        bytes_.reset();
    } else
        rest_ = std::make_unique<MemorySource>(*bytes_);
    head_ = readDocumentHead(*rest_, name_);
    head_.kind = kind;
    if (mimeType_.empty())
        mimeType_ = documentKindInfo(head_.kind).mimeType;
}

std::string Opened::readAll(std::size_t limit)
{
    std::string bytes;
    if (head_.firstByte && limit > 0)
        bytes += static_cast<char>(*head_.firstByte);
    for (auto chunk = rest_->nextChunk(); !chunk.empty() && bytes.size() < limit; chunk = rest_->nextChunk())
        bytes.append(reinterpret_cast<const char*>(chunk.data()), std::min(chunk.size(), limit - bytes.size()));
    if (rest_->failed())
        throw QuilletError(ErrorKind::ReadFailed, name_);
    return bytes;
}

std::unique_ptr<Container> Opened::openContainer()
{
    WorkBudget budget;
    return openContainer(budget);
}

std::unique_ptr<Container> Opened::openContainer(WorkBudget& budget)
{
    if (!containerKind_)
        throw QuilletError(ErrorKind::NotAContainer, name_);
    if (!bytes_)
        throw std::logic_error(name_ + ": the container was opened before");
    std::string whole = std::move(*bytes_);
    bytes_.reset();
    if (file_) {
        whole = readContainerFile(file_.get(), std::move(whole), name_);
        file_.reset();
        stream_ = nullptr;
    }
    return quillet::openContainer(std::move(whole), name_, budget);
}

Opened openName(const std::string& name, const FileAccess& access)
{
    return openName(splitMemberPath(name, access), name, access);
}

Opened openName(MemberPath where, std::string name, const FileAccess& access)
{
    Opened opened;
    opened.name_ = std::move(name);
    opened.file_ = access.open(where.file);
    if (where.isMember()) {
        // A member is had whole, from the containers around it.
        std::string outer = readContainerFile(opened.file_.get(), {}, where.file);
        opened.file_.reset();
        if (const auto kind =
                containerKindOf(std::string_view(outer).substr(0, ContainerHeadSize), outer.size(), where.file))
            opened.mimeType_ = containerKindInfo(*kind).mimeType;
        opened.bytes_ = std::make_unique<std::string>(readMemberPath(std::move(outer), where.file, where.members));
        opened.where_ = std::move(where);
        opened.settle(opened.bytes_->size());
        return opened;
    }
    // A file of its own is streamed, after a look at its start.
    opened.stream_ = opened.file_.get();
    opened.bytes_ = std::make_unique<std::string>();
    const std::uint64_t size = readFileHead(opened.stream_, *opened.bytes_, where.file);
    opened.where_ = std::move(where);
    opened.beside_ = &access;
    opened.settle(size);
    return opened;
}

Opened openBytes(std::string name, std::string bytes, const FileAccess* beside)
{
    Opened opened;
    opened.where_.file = name;
    opened.name_ = std::move(name);
    opened.bytes_ = std::make_unique<std::string>(std::move(bytes));
    opened.beside_ = beside;
    opened.settle(opened.bytes_->size());
    return opened;
}

std::string readMember(const MemberPath& path, const FileAccess& access)
{
    if (!path.isMember())
        throw QuilletError(ErrorKind::UnknownMember, path.file);
    const FilePtr file = access.open(path.file);
    return readMemberPath(readContainerFile(file.get(), {}, path.file), path.file, path.members);
}

void requireDocument(const Opened& opened)
{
    if (const auto kind = opened.containerKind())
        throw QuilletError(ErrorKind::ContainerGiven, std::string(containerKindInfo(*kind).description));
}

} // namespace quillet
