// SPDX-License-Identifier: MIT
// The failure vocabulary: kinds by the system's reason, the texts a user
// reads, and a damaged program's line number.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

constexpr ErrorKind AllKinds[] = {
    ErrorKind::FileNotFound,     ErrorKind::PermissionDenied,
    ErrorKind::NotRegularFile,   ErrorKind::ReadFailed,
    ErrorKind::CreateFailed,     ErrorKind::WriteFailed,
    ErrorKind::DamagedProgram,   ErrorKind::UnsupportedScreenMode,
    ErrorKind::NotRtf,           ErrorKind::DamagedPicture,
    ErrorKind::LoadInProgress,   ErrorKind::NoPrinter,
    ErrorKind::PrintFailed,      ErrorKind::LoadCancelled,
    ErrorKind::NotAContainer,    ErrorKind::DamagedContainer,
    ErrorKind::UnknownMember,    ErrorKind::DamagedMember,
    ErrorKind::TooLarge,         ErrorKind::ContainerGiven,
    ErrorKind::BadListing,       ErrorKind::NotAPicture,
    ErrorKind::NotLocalFile,     ErrorKind::BadFileUri,
    ErrorKind::WorkLimitReached, ErrorKind::NoWriter,
    ErrorKind::PartMissing,      ErrorKind::DiskFull,
    ErrorKind::BadName,          ErrorKind::NameTaken,
    ErrorKind::NotWritable,
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

// A named pipe opens at once and is read once a program writes to it, even
// one that takes its time; one that no program opens for writing within the
// wait is refused rather than waited on for ever.
TEST(Errors, ANamedPipeWithoutAWriterIsRefusedAfterAWait)
{
    ScratchDir dir;
    const std::string fifo = (dir / "fifo").string();
    const auto writer = [&](std::chrono::milliseconds before, std::chrono::milliseconds between, std::string text) {
        return [=] {
            std::this_thread::sleep_for(before);
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC); // waits for the reader
            std::this_thread::sleep_for(between);
            if (fd >= 0 && !text.empty() && ::write(fd, text.data(), text.size()) < 0)
                ADD_FAILURE() << "write";
            if (fd >= 0)
                ::close(fd);
        };
    };
    struct Case {
        const char* what;
        std::function<void()> writer;    // runs beside the reader
        std::optional<std::string> read; // nullopt: refused as NoWriter
    };
    const Case cases[] = {
        {"nobody writes", {}, std::nullopt},
        {"a writer comes within the wait", writer(30ms, 0ms, "10 END\r\n"), "10 END\r\n"},
        {"a writer writes after the wait", writer(0ms, 300ms, "10 END\r\n"), "10 END\r\n"},
        {"a writer comes and goes with nothing", writer(0ms, 0ms, ""), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::thread beside;
        if (c.writer)
            beside = std::thread(c.writer);
        try {
            const FilePtr file = openForReading(fifo, 100ms);
            std::string text;
            for (int byte; (byte = std::fgetc(file.get())) != EOF;)
                text += static_cast<char>(byte);
            EXPECT_EQ(std::optional<std::string>(text), c.read);
        } catch (const QuilletError& error) {
            EXPECT_FALSE(c.read) << error.what();
            EXPECT_EQ(error.kind(), ErrorKind::NoWriter);
            EXPECT_EQ(error.detail(), fifo);
        }
        if (beside.joinable())
            beside.join();
        ::unlink(fifo.c_str());
    }
}
