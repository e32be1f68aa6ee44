// SPDX-License-Identifier: MIT
// The failure vocabulary: kinds by the system's reason, the texts a user
// reads, and a damaged program's line number.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr ErrorKind AllKinds[] = {
    ErrorKind::FileNotFound,     ErrorKind::PermissionDenied,      ErrorKind::NotRegularFile,
    ErrorKind::ReadFailed,       ErrorKind::CreateFailed,          ErrorKind::WriteFailed,
    ErrorKind::DamagedProgram,   ErrorKind::UnsupportedScreenMode, ErrorKind::NotRtf,
    ErrorKind::DamagedPicture,   ErrorKind::LoadInProgress,        ErrorKind::NoPrinter,
    ErrorKind::PrintFailed,      ErrorKind::LoadCancelled,         ErrorKind::NotAContainer,
    ErrorKind::DamagedContainer, ErrorKind::UnknownMember,         ErrorKind::DamagedMember,
    ErrorKind::TooLarge,         ErrorKind::ContainerGiven,        ErrorKind::BadListing,
    ErrorKind::NotAPicture,      ErrorKind::NotLocalFile,          ErrorKind::BadFileUri,
    ErrorKind::WorkLimitReached,
};

ErrorKind kindOfOpening(const std::filesystem::path& path)
{
    try {
        openForReading(path.string());
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.detail(), path.string());
        return error.kind();
    }
    ADD_FAILURE() << path << " opened";
    return ErrorKind::ReadFailed;
}

} // namespace

TEST(Errors, EveryKindHasItsOwnTexts)
{
    std::set<std::string_view> english, japanese;
    for (const ErrorKind kind : AllKinds) {
        english.insert(errorText(kind));
        japanese.insert(status::failureCause(kind));
    }
    EXPECT_EQ(english.size(), std::size(AllKinds)) << "two kinds share a text";
    EXPECT_EQ(japanese.size(), std::size(AllKinds)) << "two kinds share a text";
}

TEST(Errors, DamagedProgramNamesItsLine)
{
    const QuilletError error(ErrorKind::DamagedProgram, 20, "game.bas");
    EXPECT_EQ(error.lineNumber(), 20u);
    EXPECT_EQ(std::string(error.what()), std::string(errorText(ErrorKind::DamagedProgram)) + ": line 20: game.bas");
    EXPECT_EQ(status::failureCause(error), "BASICプログラムが壊れています。（20 行）");
    EXPECT_FALSE(QuilletError(ErrorKind::ReadFailed, "x").lineNumber());
    EXPECT_EQ(status::failureCause(QuilletError(ErrorKind::ReadFailed, "x")),
              status::failureCause(ErrorKind::ReadFailed));
}

TEST(Errors, OpeningSaysWhyItFailed)
{
    ScratchDir dir;
    EXPECT_EQ(kindOfOpening(dir / "missing.bas"), ErrorKind::FileNotFound);
    EXPECT_EQ(kindOfOpening(dir / "missing" / "game.bas"), ErrorKind::FileNotFound);
    EXPECT_EQ(kindOfOpening(dir.path()), ErrorKind::NotRegularFile) << "a folder opens, then fails to read";
    writeFile(dir / "file", "x");
    EXPECT_EQ(kindOfOpening(dir / "file" / "below"), ErrorKind::FileNotFound);

    EXPECT_EQ(errorKindOfErrno(EACCES, ErrorKind::ReadFailed), ErrorKind::PermissionDenied);
    EXPECT_EQ(errorKindOfErrno(EROFS, ErrorKind::CreateFailed), ErrorKind::PermissionDenied);
    EXPECT_EQ(errorKindOfErrno(EIO, ErrorKind::ReadFailed), ErrorKind::ReadFailed);
    EXPECT_EQ(errorKindOfErrno(EIO, ErrorKind::CreateFailed), ErrorKind::CreateFailed);
}
