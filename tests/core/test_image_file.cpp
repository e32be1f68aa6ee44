// SPDX-License-Identifier: MIT
// Images changed in place: whole or not at all, never through a read-only
// file, never over a change made meanwhile.

#include "container/ImageFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::test;

namespace {

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

} // namespace

TEST(ImageFile, ChangesWholeOrNotAtAll)
{
    struct Case {
        const char* what;
        mode_t mode;
        std::function<std::string(const std::filesystem::path&, std::string)> change;
        std::optional<ErrorKind> refused; // nullopt: the change is made
    };
    const Case cases[] = {
        {"a change", 0640, [](auto&, std::string s) { return s + "+"; }, std::nullopt},
        {"a read-only file", 0444, [](auto&, std::string s) { return s + "+"; }, ErrorKind::PermissionDenied},
        {"a refused change", 0644,
         [](auto&, std::string) -> std::string { throw QuilletError(ErrorKind::DiskFull, "x"); }, ErrorKind::DiskFull},
        {"a file changed meanwhile", 0644,
         [](const std::filesystem::path& path, std::string s) {
             writeFile(path, "other program's bytes");
             return s + "+";
         },
         ErrorKind::WriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScratchDir dir;
        const auto image = dir.path() / "DISK.DSK";
        writeFile(image, "image");
        ASSERT_EQ(::chmod(image.c_str(), c.mode), 0);
        const std::string before = readFile(image);
        std::optional<ErrorKind> kind;
        try {
            changeImageFile(image.string(), [&](std::string s) { return c.change(image, std::move(s)); });
        } catch (const QuilletError& error) {
            kind = error.kind();
        }
        EXPECT_EQ(kind, c.refused);
        if (!c.refused)
            EXPECT_EQ(readFile(image), "image+");
        else if (*c.refused != ErrorKind::WriteFailed)
            EXPECT_EQ(readFile(image), before);
        else
            EXPECT_EQ(readFile(image), "other program's bytes") << "a change made meanwhile is kept";
        EXPECT_EQ(modeOf(image), c.mode);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"DISK.DSK"}) << "nothing left beside it";
    }
}

TEST(ImageFile, LinkIsFollowedAndNewImageNeverReplacesAFile)
{
    const ScratchDir dir;
    const auto image = dir.path() / "real.dsk", link = dir.path() / "link.dsk";
    writeFile(image, "a");
    std::filesystem::create_symlink(image, link);
    changeImageFile(link.string(), [](std::string s) { return s + "b"; });
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(image), "ab");

    for (const auto& taken : {image, link}) {
        try {
            createImageFile(taken.string(), "new");
            ADD_FAILURE() << taken << " was replaced";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::NameTaken);
        }
    }
    EXPECT_EQ(readFile(image), "ab");
    createImageFile((dir.path() / "new.cas").string(), "");
    EXPECT_EQ(readFile(dir.path() / "new.cas"), "");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"link.dsk", "new.cas", "real.dsk"}));
}
