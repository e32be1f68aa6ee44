// SPDX-License-Identifier: MIT
#pragma once
// The one door through which every program opens what it is given: a file,
// or a member inside containers named by a member path,
// "games.zip::DISK1.DSK::TITLE.SC5". What comes out is either a container,
// opened with its member list, or a document: its kind, the bytes after its
// first byte as a stream, and how to reach the files beside it. Listings go
// on through document/Document.h, pictures through document/Picture.h.
//
// How files are reached is each program's own (FileAccess): the viewer and
// the thumbnailer open regular files only, quillet-convert also reads pipes
// and standard input, and the image plugin hands over the bytes of its
// device (openBytes).

#include "common/ByteStream.h"
#include "document/Document.h"
#include "document/Kinds.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Container;
class WorkBudget;

// Where a document lives: a file, and the members inside it in turn, each
// named as its container lists it (DIR/NAME inside a disk image).
struct MemberPath {
    std::string file;
    std::vector<std::string> members; // outermost first

    bool isMember() const noexcept { return !members.empty(); }
    // "FILE::MEMBER::MEMBER", as written.
    std::string text() const;
    // The container that holds the member; empty for a file of its own.
    std::string parentText() const;
    // The name it goes by, without folders: the last member's, or the file's.
    std::string leafName() const;
};

// Splits a member path. The file is the shortest prefix before a "::" that
// `isFile` accepts (the whole text when it names a file itself), so a file
// whose own name holds "::" still opens; when none does, the text before
// the first "::".
MemberPath splitMemberPath(std::string_view text, const std::function<bool(const std::string&)>& isFile);

// The local name a program is given as `name` on its command line or in a
// drop: a file name or member path as it is, or what a file URI stands for
// ("file:///home/me/A%20B.BAS", "file://localhost/...", also followed by
// members: "file:///x/games.dsk::GAME.BAS"). The URI is percent-decoded
// whole; a name with no scheme, or one like "notes:1.bas", is no URI.
// Throws QuilletError naming `name`: NotLocalFile for another host or
// scheme ("http://...", "smb://..."), BadFileUri for a file URI that can
// name no file (an escaped "/" or NUL, a "%" without two hex digits, a
// query or fragment).
std::string localName(std::string_view name);

// How a program reaches files.
class FileAccess {
public:
    virtual ~FileAccess() = default;
    // Whether `path` names a file of its own (where a member path's file ends).
    virtual bool isFile(const std::string& path) const = 0;
    // The file, open for reading from its start. Throws QuilletError named
    // after the cause.
    virtual FilePtr open(const std::string& path) const = 0;
    // At most `limit` bytes of a file beside a picture (its palette file,
    // the other page of a pair); nullopt when there is none. Throws
    // QuilletError for one that is there but cannot be read, and
    // NotRegularFile, without opening it, for a folder, pipe or device.
    virtual std::optional<std::string> readBeside(const std::string& path, std::size_t limit) const;
};

// Files on disk.
class DiskFiles final : public FileAccess {
public:
    enum class Rule {
        RegularOnly, // anything else is refused without waiting on it
        StreamsToo,  // pipes and devices are read as they come, "-" is standard input
    };
    explicit DiskFiles(Rule rule) : rule_(rule) {}
    bool isFile(const std::string& path) const override;
    FilePtr open(const std::string& path) const override;

private:
    Rule rule_;
};

// splitMemberPath with the files `access` reaches.
MemberPath splitMemberPath(std::string_view text, const FileAccess& access);

// A file or member as the door opened it.
class Opened {
public:
    Opened(Opened&&) noexcept;
    Opened& operator=(Opened&&) noexcept;
    ~Opened();

    // The name as given, for messages and for what a name tells (a
    // picture's screen mode, a disk image cut short).
    const std::string& name() const noexcept { return name_; }
    const MemberPath& where() const noexcept { return where_; }
    // What the desktop knows the file on disk as: for a member, the kind
    // of the container that holds it.
    std::string_view mimeType() const noexcept { return mimeType_; }

    std::optional<ContainerKind> containerKind() const noexcept { return containerKind_; }
    bool isContainer() const noexcept { return containerKind_.has_value(); }
    // The container, read whole and opened; once. Throws QuilletError:
    // TooLarge past MaxContainerFileSize, ReadFailed, DamagedContainer.
    std::unique_ptr<Container> openContainer();
    // The same, its members and unpacking spent from `budget`; also
    // WorkLimitReached.
    std::unique_ptr<Container> openContainer(WorkBudget& budget);

    // A document: its head, and the rest of its bytes from just after the
    // first byte on.
    const DocumentHead& head() const noexcept { return head_; }
    DocumentRole role() const noexcept { return documentKindInfo(head_.kind).role; }
    ByteSource& rest() noexcept { return *rest_; }
    // The document's bytes, first byte included, up to `limit` of them,
    // read from rest(). Throws QuilletError(ReadFailed).
    std::string readAll(std::size_t limit = std::string::npos);
    // The stream rest() goes on reading from, for a file of its own; null
    // for a member or bytes handed over.
    std::FILE* stream() const noexcept { return stream_; }
    // How the files beside it are reached; null when it has none beside it
    // (a member, or bytes without a folder).
    const FileAccess* beside() const noexcept { return beside_; }

private:
    friend Opened openName(MemberPath where, std::string name, const FileAccess& access);
    friend Opened openBytes(std::string name, std::string bytes, const FileAccess* beside);
    Opened() = default;
    void settle(std::uint64_t size);

    std::string name_;
    MemberPath where_;
    std::string_view mimeType_;
    std::optional<ContainerKind> containerKind_;
    DocumentHead head_;
    FilePtr file_;
    std::FILE* stream_ = nullptr;
    // A member's or handed-over file's whole bytes (rest() reads them in
    // place, so they keep their address), or a file's first bytes until
    // they go to rest() or the container.
    std::unique_ptr<std::string> bytes_;
    std::unique_ptr<ByteSource> rest_;
    const FileAccess* beside_ = nullptr;
};

// Opens `name`, a file or a member path. `access` must outlive what it
// opens, which reaches the files beside through it. Throws QuilletError:
// what opening and reading the file throws, and for a member what the
// containers on the way throw (UnknownMember, DamagedMember, TooLarge, ...).
Opened openName(const std::string& name, const FileAccess& access);
// The same with the path already split.
Opened openName(MemberPath where, std::string name, const FileAccess& access);
// A file whose bytes the program has read itself.
Opened openBytes(std::string name, std::string bytes, const FileAccess* beside = nullptr);

// The bytes of the member `path` names, whole. Throws QuilletError as
// openName does, NotAContainer when a step is no container, and
// UnknownMember when `path` names a file of its own.
std::string readMember(const MemberPath& path, const FileAccess& access);

// Refuses a container with ContainerGiven, naming its kind: for commands
// that take one document.
void requireDocument(const Opened& opened);

} // namespace quillet
