// SPDX-License-Identifier: MIT
#include "common/Errors.h"

#include <cerrno>

namespace quillet {

std::string_view errorText(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::FileNotFound: return "no such file";
    case ErrorKind::PermissionDenied: return "permission denied";
    case ErrorKind::NotRegularFile: return "not a regular file";
    case ErrorKind::NoWriter: return "no program writes to the pipe";
    case ErrorKind::ReadFailed: return "cannot read the file";
    case ErrorKind::CreateFailed: return "cannot create the file";
    case ErrorKind::WriteFailed: return "cannot write the file";
    case ErrorKind::DamagedProgram: return "damaged program: invalid digit in a real constant";
    case ErrorKind::UnsupportedScreenMode: return "the screen mode has no picture layout";
    case ErrorKind::NotRtf: return "not an RTF document";
    case ErrorKind::DamagedPicture: return "the picture cannot be read";
    case ErrorKind::LoadInProgress: return "a document is still being loaded";
    case ErrorKind::LoadCancelled: return "the load was cancelled";
    case ErrorKind::NoPrinter: return "no printer is set up";
    case ErrorKind::PrintFailed: return "cannot print";
    case ErrorKind::BadListing: return "the listing cannot be tokenized";
    case ErrorKind::NotAContainer: return "not a disk image, cassette image or archive";
    case ErrorKind::DamagedContainer: return "the disk image, cassette image or archive is damaged";
    case ErrorKind::UnknownMember: return "no such member";
    case ErrorKind::DamagedMember: return "the member is damaged";
    case ErrorKind::TooLarge: return "too large to open";
    case ErrorKind::ContainerGiven: return "holds other files: name one as FILE::MEMBER";
    case ErrorKind::NotAPicture: return "not an MSX picture";
    case ErrorKind::NotLocalFile: return "not a local file";
    case ErrorKind::BadFileUri: return "not a valid file URI";
    case ErrorKind::WorkLimitReached: return "stopped at a limit of work";
    case ErrorKind::PartMissing: return "a part of the program is missing (reinstall Quillet)";
    case ErrorKind::DiskFull: return "no room left in the image";
    case ErrorKind::BadName: return "not a name an MSX disk or tape can hold";
    case ErrorKind::NameTaken: return "something of that name is in the way";
    case ErrorKind::NotWritable: return "cannot be written to";
    }
    return "unknown error";
}

ErrorKind errorKindOfErrno(int error, ErrorKind otherwise)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return ErrorKind::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrorKind::PermissionDenied;
    case EISDIR: return ErrorKind::NotRegularFile;
    default: return otherwise;
    }
}

namespace {

std::string composeMessage(ErrorKind kind, const std::optional<std::uint32_t>& line, const std::string& detail)
{
    std::string text(errorText(kind));
    if (line) {
        text += ": line ";
        text += std::to_string(*line);
    }
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    return text;
}

} // namespace

QuilletError::QuilletError(ErrorKind kind, const std::string& detail)
    : std::runtime_error(composeMessage(kind, std::nullopt, detail)), kind_(kind), detail_(detail)
{}

QuilletError::QuilletError(ErrorKind kind, std::uint32_t lineNumber, const std::string& detail)
    : std::runtime_error(composeMessage(kind, lineNumber, detail)), kind_(kind), line_(lineNumber), detail_(detail)
{}

} // namespace quillet
