// SPDX-License-Identifier: MIT
// ZIP, LZH, 7z, gzip and tar through libarchive, read from memory. This is
// the one file that calls libarchive, through the module that links it
// (ArchiveCalls.h), loaded the first time an archive is opened.

#include "common/Errors.h"
#include "common/Modules.h"
#include "common/Utf8.h"
#include "container/MemberNames.h"
#include "container/Readers.h"
#include "document/Kinds.h"

#include "container/ArchiveCalls.h"

#include <algorithm>
#include <climits>
#include <clocale>
#include <ctime>
#include <dlfcn.h>
#include <functional>
#include <locale.h>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillet {

namespace {

const QuilletArchiveCalls& calls()
{
    // Kept once loaded: every entry and every block read asks for it. A
    // failed load leaves it unset, to fail again at the next archive.
    static const QuilletArchiveCalls& table = moduleTable<QuilletArchiveCalls>(
        QUILLET_ARCHIVE_MODULE_NAME, QUILLET_ARCHIVE_ENTRY_POINT, QUILLET_ARCHIVE_CALLS_VERSION);
    return table;
}

// libarchive turns names into the locale's characters, and in the C
// locale it refuses every name that is not ASCII. Its calls run with a
// UTF-8 locale for this thread only, whatever the program's locale is.
class Utf8Locale {
public:
    Utf8Locale()
    {
        static const locale_t utf8 = [] {
            for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
                if (const locale_t made = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0)))
                    return made;
            }
            return static_cast<locale_t>(0);
        }();
        if (utf8)
            previous_ = uselocale(utf8);
    }
    ~Utf8Locale()
    {
        if (previous_)
            uselocale(previous_);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t previous_ = static_cast<locale_t>(0);
};

struct ArchiveFree {
    void operator()(archive* a) const noexcept { calls().read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

std::string errorOf(archive* a)
{
    const char* text = calls().error_string(a);
    return text ? text : "no entry can be read";
}

// How an archive's names reach entryPath: converted by libarchive from
// code page 932, or, where that conversion fails on some name (it then ends
// the whole walk), one character per byte, so that every name arrives and
// entryPath reads the bytes itself.
enum class NameBytes { Cp932, OnePerByte };

// How a gzip stream is read: as a packed tar file when it is one, else the
// one file packed; or only as that file, when a tar reading found nothing
// (a tar reader takes a stream that starts with 512 zero bytes, such as a
// disk image without a boot sector, for an empty tar file).
enum class GzipHolds { TarOrFile, File };

ArchivePtr openReader(const std::string& bytes, ContainerKind kind, NameBytes names, GzipHolds gzip)
{
    ArchivePtr a(calls().read_new());
    if (!a)
        throw std::bad_alloc();
    switch (kind) {
    case ContainerKind::Zip: calls().read_support_format_zip(a.get()); break;
    case ContainerKind::Lzh:
        calls().read_support_format_lha(a.get());
        // Names as MSX and MS-DOS archivers wrote them.
        calls().read_set_options(a.get(),
                                 names == NameBytes::Cp932 ? "lha:hdrcharset=CP932" : "lha:hdrcharset=ISO-8859-1");
        break;
    case ContainerKind::SevenZip: calls().read_support_format_7zip(a.get()); break;
    case ContainerKind::Tar: calls().read_support_format_tar(a.get()); break;
    case ContainerKind::Gzip:
        // A packed tar file, or else the one file that was packed.
        calls().read_support_filter_gzip(a.get());
        if (gzip == GzipHolds::TarOrFile)
            calls().read_support_format_tar(a.get());
        calls().read_support_format_raw(a.get());
        break;
    case ContainerKind::DiskImage:
    case ContainerKind::CassetteImage: throw QuilletError(ErrorKind::NotAContainer, "not an archive");
    }
    if (calls().read_open_memory(a.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        throw QuilletError(ErrorKind::DamagedContainer, errorOf(a.get()));
    return a;
}

// The entry's data, up to MaxMemberSize; the status says how reading went.
MemberStatus readData(archive* a, std::string& out)
{
    char buffer[64 * 1024];
    for (;;) {
        const la_ssize_t got = calls().read_data(a, buffer, sizeof buffer);
        if (got == 0)
            return MemberStatus::Ok;
        if (got < 0)
            return MemberStatus::Unreadable; // a warning here is data lost too
        if (out.size() + static_cast<std::size_t>(got) > MaxMemberSize) {
            out.clear();
            return MemberStatus::TooLarge;
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

// The stored bytes of a name read one character per byte. libarchive
// turned every "\" into "/", also the second byte of a two-byte character
// (which is never "/" itself), so there it is "\" again.
std::string storedNameBytes(const char* latin1AsUtf8)
{
    std::string bytes;
    for (const char32_t c : decodeUtf8(latin1AsUtf8))
        bytes += static_cast<char>(c <= 0xFF ? c : '_');
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) {
            if (bytes[i + 1] == '/')
                bytes[i + 1] = '\\';
            ++i;
        }
    }
    return bytes;
}

// A stored name as UTF-8: as it is where it is UTF-8 already, else what
// libarchive made of it (`converted`, asked for only then), else read as
// code page 932, as MSX archivers wrote names.
std::string nameText(const char* raw, const std::function<const char*()>& converted, NameBytes names)
{
    std::string stored;
    if (raw && names == NameBytes::OnePerByte) {
        stored = storedNameBytes(raw);
        raw = stored.c_str();
    }
    if (raw && isValidUtf8(raw))
        return raw;
    if (const char* utf8 = names == NameBytes::Cp932 ? converted() : nullptr)
        return utf8;
    return raw ? cp932ToUtf8(raw) : std::string();
}

std::string memberPathOf(const std::string& text)
{
    // Leading "/", "./" and empty steps say nothing inside the archive.
    std::string path;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view step(text.data() + start, end - start);
        if (!step.empty() && step != ".") {
            if (!path.empty())
                path += '/';
            path += step;
        }
        start = end + 1;
    }
    return path.empty() ? "_" : readableMemberPath(path);
}

std::string entryPath(archive_entry* entry, NameBytes names)
{
    return memberPathOf(nameText(
        calls().entry_pathname(entry), [entry] { return calls().entry_pathname_utf8(entry); }, names));
}

// The member a hard link names, as entryPath names members.
std::string linkTargetPath(archive_entry* entry, NameBytes names)
{
    return memberPathOf(nameText(
        calls().entry_hardlink(entry), [entry] { return calls().entry_hardlink_utf8(entry); }, names));
}

std::optional<MemberDate> entryDate(archive_entry* entry)
{
    if (!calls().entry_mtime_is_set(entry))
        return std::nullopt;
    const std::time_t when = calls().entry_mtime(entry);
    std::tm local{};
    if (!localtime_r(&when, &local))
        return std::nullopt;
    return MemberDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

// The name a gzip header keeps of the packed file, without its folders.
std::string gzipOriginalName(std::string_view bytes)
{
    constexpr unsigned HasExtra = 0x04, HasName = 0x08;
    if (bytes.size() < 10 || !(static_cast<std::uint8_t>(bytes[3]) & HasName))
        return {};
    std::size_t at = 10;
    if (static_cast<std::uint8_t>(bytes[3]) & HasExtra) {
        if (bytes.size() < 12)
            return {};
        at += 2 + (static_cast<std::uint8_t>(bytes[10]) | static_cast<std::uint8_t>(bytes[11]) << 8);
    }
    if (at >= bytes.size())
        return {};
    const std::size_t end = bytes.find('\0', at);
    if (end == std::string_view::npos)
        return {};
    std::string name(bytes.substr(at, end - at));
    name.erase(0, name.find_last_of('/') + 1);
    if (isValidUtf8(name))
        return name;
    std::string latin1;
    for (const char c : name)
        appendUtf8(latin1, static_cast<std::uint8_t>(c));
    return latin1;
}

// "GAME.BAS" of "folder/GAME.BAS.gz", or "GAME.BAS" of "x.zip::GAME.BAS.GZ".
std::string nameWithoutGz(std::string_view name)
{
    const std::size_t cut = std::max(name.rfind('/') == std::string_view::npos ? 0 : name.rfind('/') + 1,
                                     name.rfind("::") == std::string_view::npos ? 0 : name.rfind("::") + 2);
    std::string base(name.substr(cut));
    const std::string folded = foldCase(base);
    if (folded.size() > 3 && folded.ends_with(".GZ"))
        base.resize(base.size() - 3);
    else if (folded.size() > 4 && folded.ends_with(".TGZ"))
        base = base.substr(0, base.size() - 4) + ".tar";
    else
        base.clear();
    return base;
}

// The first bytes of the entry's data, up to ContainerHeadSize, which is
// all its kind needs; the status says how reading went.
MemberStatus readHead(archive* a, std::string& out)
{
    char buffer[16 * 1024];
    while (out.size() < ContainerHeadSize) {
        const la_ssize_t got = calls().read_data(a, buffer, std::min(sizeof buffer, ContainerHeadSize - out.size()));
        if (got == 0)
            return MemberStatus::Ok;
        if (got < 0)
            return MemberStatus::Unreadable;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return MemberStatus::Ok;
}

// The count of the rest of the entry's data, read and dropped, up to `limit`.
std::uint64_t countRest(archive* a, std::uint64_t limit, MemberStatus& status)
{
    char buffer[64 * 1024];
    std::uint64_t count = 0;
    while (count <= limit) {
        const la_ssize_t got = calls().read_data(a, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            status = MemberStatus::Unreadable;
            break;
        }
        count += static_cast<std::uint64_t>(got);
    }
    return count;
}

class Archive final : public Container {
public:
    Archive(std::string bytes, ContainerKind kind, std::string_view name, WorkBudget& budget);

    void readInOrder(const std::vector<bool>& wanted,
                     const std::function<void(std::size_t, Read&&)>& take) const override;

protected:
    std::string readMember(std::size_t index) const override;

private:
    // False when a name libarchive cannot convert ended the walk.
    bool walk(std::string_view name, NameBytes names, WorkBudget& budget);
    // Whether skipping an entry unpacks it all the same: a gzip stream or a
    // 7z folder of many files is read through, a ZIP or LZH entry passed by.
    bool skipUnpacks() const { return kind() == ContainerKind::Gzip || kind() == ContainerKind::SevenZip; }

    std::string bytes_;
    NameBytes names_ = NameBytes::Cp932;
    GzipHolds gzip_ = GzipHolds::TarOrFile;
    std::vector<std::size_t> ordinals_; // of each member among the archive's entries
};

Archive::Archive(std::string bytes, ContainerKind kind, std::string_view name, WorkBudget& budget)
    : Container(kind), bytes_(std::move(bytes))
{
    const Utf8Locale locale;
    WorkBudget firstTry = budget;
    if (!walk(name, NameBytes::Cp932, firstTry)) {
        members_.clear();
        problems_.clear();
        ordinals_.clear();
        names_ = NameBytes::OnePerByte;
        walk(name, NameBytes::OnePerByte, budget);
    } else
        budget = firstTry;
    if (kind == ContainerKind::Gzip && members_.empty() && problems_.empty()) {
        gzip_ = GzipHolds::File;
        walk(name, names_, budget);
    }
    settleMemberPaths();
}

bool Archive::walk(std::string_view name, NameBytes names, WorkBudget& budget)
{
    ArchivePtr a = openReader(bytes_, kind(), names, gzip_);
    for (std::size_t ordinal = 0;; ++ordinal) {
        archive_entry* entry = nullptr;
        const int result = calls().read_next_header(a.get(), &entry);
        if (result == ARCHIVE_EOF)
            break;
        if (result < ARCHIVE_WARN) {
            if (names == NameBytes::Cp932 && kind() == ContainerKind::Lzh
                && errorOf(a.get()).find("cannot be converted") != std::string::npos)
                return false;
            if (members_.empty() && ordinal == 0)
                throw QuilletError(ErrorKind::DamagedContainer, errorOf(a.get()));
            problems_.push_back("the archive is damaged after " + std::to_string(ordinal)
                                + (ordinal == 1 ? " entry: " : " entries: ") + errorOf(a.get()));
            break;
        }
        if (calls().entry_hardlink(entry)) {
            // A hard link holds no bytes: it is its target's bytes under a
            // second name, and read from the target's entry.
            const std::string target = linkTargetPath(entry, names);
            for (std::size_t i = members_.size(); i-- > 0;) {
                if (members_[i].path != target)
                    continue;
                MemberInfo info = members_[i];
                info.path = entryPath(entry, names);
                budget.spendMembers(1);
                ordinals_.push_back(ordinals_[i]);
                members_.push_back(std::move(info));
                break;
            }
            continue;
        }
        if (calls().entry_filetype(entry) != AE_IFREG)
            continue; // folders and symbolic links hold no bytes of their own

        MemberInfo info;
        info.path = entryPath(entry, names);
        if (calls().format(a.get()) == ARCHIVE_FORMAT_RAW) {
            std::string original = gzipOriginalName(bytes_);
            if (original.empty())
                original = nameWithoutGz(name);
            info.path = original.empty() ? "data" : readableMemberPath(original);
        }
        info.date = entryDate(entry);
        budget.spendMembers(1);
        // The kind is told by the first bytes: the rest is unpacked only
        // when the member is read.
        std::string head;
        const bool sized = calls().entry_size_is_set(entry);
        info.size = sized ? static_cast<std::uint64_t>(calls().entry_size(entry)) : 0;
        if (sized && info.size > MaxMemberSize) {
            info.status = MemberStatus::TooLarge;
            if (skipUnpacks())
                budget.spendBytes(info.size);
        } else {
            info.status = readHead(a.get(), head);
            if (!sized) {
                // Only unpacking tells the size (a plain gzip file).
                info.size = head.size();
                if (info.status == MemberStatus::Ok && head.size() == ContainerHeadSize)
                    info.size += countRest(a.get(), MaxMemberSize - head.size(), info.status);
                budget.spendBytes(info.size);
                if (info.size > MaxMemberSize)
                    info.status = MemberStatus::TooLarge;
            } else {
                // A member the head holds whole was checked whole: bytes
                // other than its entry says are bytes lost or made up.
                if (head.size() != info.size && std::min(head.size(), info.size) < ContainerHeadSize)
                    info.status = MemberStatus::Unreadable;
                if (skipUnpacks())
                    budget.spendBytes(info.size);
            }
        }
        info.kind = memberKindOf(head, info.size, info.path);
        ordinals_.push_back(ordinal);
        members_.push_back(std::move(info));
    }
    return true;
}

std::string Archive::readMember(std::size_t index) const
{
    const Utf8Locale locale;
    ArchivePtr a = openReader(bytes_, kind(), names_, gzip_);
    archive_entry* entry = nullptr;
    for (std::size_t ordinal = 0; ordinal <= ordinals_[index]; ++ordinal) {
        if (calls().read_next_header(a.get(), &entry) < ARCHIVE_WARN)
            throw QuilletError(ErrorKind::DamagedMember, errorOf(a.get()));
    }
    std::string data;
    // Bytes other than the entry said are bytes lost or made up.
    if (readData(a.get(), data) != MemberStatus::Ok || data.size() != members_[index].size)
        throw QuilletError(ErrorKind::DamagedMember, members_[index].path);
    return data;
}

void Archive::readInOrder(const std::vector<bool>& wanted, const std::function<void(std::size_t, Read&&)>& take) const
{
    // The entries to unpack, and for a hard link's target the bytes kept
    // until its link comes (or, past a bound, unpacked again then).
    const std::size_t entries = ordinals_.empty() ? 0 : *std::max_element(ordinals_.begin(), ordinals_.end()) + 1;
    std::vector<bool> unpack(entries);
    std::vector<bool> linked(unpack.size());
    std::size_t passed = 0; // entries before the member
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (i < wanted.size() && wanted[i]) {
            unpack[ordinals_[i]] = true;
            if (ordinals_[i] < passed)
                linked[ordinals_[i]] = true;
        }
        passed = std::max(passed, ordinals_[i] + 1);
    }
    constexpr std::uint64_t KeptForLinks = 64 * 1024 * 1024;
    std::vector<std::optional<std::string>> kept(unpack.size());
    std::uint64_t keptBytes = 0;

    const Utf8Locale locale;
    ArchivePtr a = openReader(bytes_, kind(), names_, gzip_);
    std::size_t ordinal = 0; // of the next entry
    std::optional<std::string> damage;
    for (std::size_t i = 0; i < members_.size(); ++i) {
        Read read;
        const bool wants = i < wanted.size() && wanted[i];
        if (ordinals_[i] < ordinal) {
            // A hard link to an entry passed.
            if (wants) {
                if (kept[ordinals_[i]])
                    read.bytes = *kept[ordinals_[i]];
                else {
                    try {
                        read.bytes = this->read(i);
                    } catch (const QuilletError& error) {
                        read.failure = error.what();
                    }
                }
            }
            take(i, std::move(read));
            continue;
        }
        if (wants && damage)
            read.failure = *damage;
        while (!damage && ordinal <= ordinals_[i]) {
            archive_entry* entry = nullptr;
            if (calls().read_next_header(a.get(), &entry) < ARCHIVE_WARN) {
                damage = members_[i].path + ": " + errorOf(a.get());
                if (wants)
                    read.failure = *damage;
                break;
            }
            if (ordinal++ < ordinals_[i] || !unpack[ordinals_[i]])
                continue;
            if (readData(a.get(), read.bytes) != MemberStatus::Ok || read.bytes.size() != members_[i].size) {
                read.bytes.clear();
                read.failure = members_[i].path + ": " + std::string(memberStatusText(MemberStatus::Unreadable));
            } else if (linked[ordinals_[i]] && keptBytes + read.bytes.size() <= KeptForLinks) {
                keptBytes += read.bytes.size();
                kept[ordinals_[i]] = read.bytes;
            }
        }
        if (!wants) {
            read.bytes.clear();
            read.failure.reset();
        }
        take(i, std::move(read));
    }
}

} // namespace

std::unique_ptr<Container> openArchive(std::string bytes, ContainerKind kind, std::string_view name, WorkBudget& budget)
{
    return std::make_unique<Archive>(std::move(bytes), kind, name, budget);
}

std::unique_ptr<Container> openArchive(std::string bytes, ContainerKind kind, std::string_view name)
{
    WorkBudget budget;
    return openArchive(std::move(bytes), kind, name, budget);
}

} // namespace quillet
