// SPDX-License-Identifier: MIT
#pragma once
// The closed list of ways a conversion or a file operation can fail, each
// named after its cause. Each kind has one fixed text; callers add the path
// where it helps, and a damaged program carries the number of its line.
// The texts the user reads in the window are with the status texts.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillet {

enum class ErrorKind {
    FileNotFound,          // no file at the path
    PermissionDenied,      // the file or its folder may not be read or written
    NotRegularFile,        // a folder, device or pipe where a file was expected
    NoWriter,              // a named pipe (FIFO) that no program opened for writing
    ReadFailed,            // an input could not be read
    CreateFailed,          // an output or temporary file could not be created
    WriteFailed,           // an output could not be written or closed
    DamagedProgram,        // a tokenized program that cannot be listed (the decoder lists every byte now)
    UnsupportedScreenMode, // the screen mode has no picture layout (SCREEN 9, unknown)
    NotRtf,                // a document that is not RTF
    DamagedPicture,        // a picture file that cannot be read as a picture
    LoadInProgress,        // a view is still building the previous document
    LoadCancelled,         // the load was ended before it was done (the window closed)
    NoPrinter,             // no printer is set up and no file was chosen to print to
    PrintFailed,           // the printer did not take the document
    BadListing,            // a listing MSX BASIC would not take as a program (no line number, a number too large)
    NotAContainer,         // a member or a member list asked of a file that holds none
    DamagedContainer,      // a disk image, cassette image or archive with nothing readable in it
    UnknownMember,         // no member of that name in the container
    DamagedMember,         // a member the container's damage makes unreadable
    TooLarge,              // a member (or a container file) over the size opened
    ContainerGiven,        // a container where one file to convert was expected
    NotAPicture,           // a picture was asked for and the file is none the program reads
    NotLocalFile,          // a URI of another host or scheme (http:, smb:, ...)
    BadFileUri,            // a file URI that names no file name (an escaped "/" or NUL, a bad escape, a query)
    WorkLimitReached,      // a walk through containers passed its limit of members or of unpacked bytes
    PartMissing, // a part of the program loaded when needed (the archive reader) is missing or of another version
    DiskFull,    // a disk or tape image has no room for what was to be written
    BadName,     // a name an MSX disk or tape cannot hold
    NameTaken,   // a file or folder of that name is in the way (a new image, a folder over a file)
    NotWritable, // a container that is not written: an archive, one inside another, a damaged image
};

std::string_view errorText(ErrorKind kind);

// The kind for a failed open, read or write by its errno value: the cause
// where errno names one, `otherwise` for anything else.
ErrorKind errorKindOfErrno(int error, ErrorKind otherwise);

class QuilletError : public std::runtime_error {
public:
    QuilletError(ErrorKind kind, const std::string& detail = {});
    // A damaged program: the number of the line that could not be listed.
    QuilletError(ErrorKind kind, std::uint32_t lineNumber, const std::string& detail);
    ErrorKind kind() const noexcept { return kind_; }
    std::optional<std::uint32_t> lineNumber() const noexcept { return line_; }
    // What the caller added: a path, a mode; empty when nothing.
    const std::string& detail() const noexcept { return detail_; }

private:
    ErrorKind kind_;
    std::optional<std::uint32_t> line_;
    std::string detail_;
};

} // namespace quillet
