// SPDX-License-Identifier: MIT
#pragma once
// The temporary files every conversion writes into: the three names kept for
// the run (ASCII listing, RTF document, BMP picture), the directory new names
// are made in, and their deletion at the end.
//
// Names are "MSX", eight hexadecimal digits of a random number and ".tmp".
// A name is made by creating the file exclusively (O_EXCL with O_NOFOLLOW,
// mode 0600), so a file or a link that already has the name is never opened;
// such a name is passed over for a fresh one, at most MaxNameAttempts times.
// Any other failure means the directory takes no new file and is reported at
// once as CreateFailed naming the directory.

#include "common/ByteStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::app {

inline constexpr std::string_view TempFilePrefix = "MSX";
inline constexpr std::string_view TempFileSuffix = ".tmp";
// The picture file is BmpTempPath with this appended.
inline constexpr std::string_view PictureSuffix = ".bmp";
// Random names collide about never; running into this many taken names
// means someone is planting them.
inline constexpr int MaxNameAttempts = 8;

// Supplies the numbers that names are made from; random unless a test
// needs to know them.
using NameNumberSource = std::function<std::uint32_t()>;

// The system's temporary directory with a trailing separator.
std::string getTempPath();

// Creates a new empty file in `dir` (the system's temporary directory when
// empty) and returns its full path. Throws QuilletError(CreateFailed).
std::string getTempFileName(const std::string& dir);
std::string getTempFileName(const std::string& dir, const NameNumberSource& numbers);

// Opens `path` for writing, creating or truncating it, provided it is a
// regular file of this user that is not a link; null otherwise.
std::unique_ptr<FileSink> openTempOutput(const std::string& path);

// A new temporary file, already open for writing.
struct FreshOutput {
    std::string path;
    std::unique_ptr<FileSink> sink;
};

class TempFiles {
public:
    // TempNameDir starts as the system's temporary directory.
    explicit TempFiles(NameNumberSource numbers = {});

    // The whole directory is kept: cutting it to some length could silently
    // name another directory. One that takes no files fails at the next name.
    void setTempNameDir(std::string dir);
    const std::string& tempNameDir() const noexcept { return tempNameDir_; }

    const std::string& asciiTempPath() const noexcept { return asciiTempPath_; }
    const std::string& rtfTempPath() const noexcept { return rtfTempPath_; }
    const std::string& bmpTempPath() const noexcept { return bmpTempPath_; }
    // The picture file: BmpTempPath with ".bmp" appended (empty while no
    // BMP name was made).
    std::string bmpPicturePath() const;

    // Each makes a fresh empty file in TempNameDir and takes its path; the
    // file named before is left where it is. Throws CreateFailed, leaving the
    // path unchanged.
    void makeAsciiTempName();
    void makeRtfTempName();
    // Makes the picture file's name too, exclusively like the others: a name
    // whose picture file is already there is passed over.
    void makeBmpTempName();

    // False when something that is not this program's file sits at the
    // picture file's name (put there after the name was made), which the
    // picture could not replace.
    bool pictureNameIsUsable() const;
    // A new BMP name and picture file, dropping the old name.
    void renewPictureName();

    // Before a load: the temporary folder is there; one removed while the
    // program runs is made again, or, when it cannot be, the system's
    // folder is used from now on. The picture's name is made anew in either
    // case, so that the picture file is again this program's.
    enum class FolderCheck { Present, MadeAgain, SystemFolder };
    FolderCheck ensureTempNameDir();

    // Program start: the three names in `dir`; when that folder takes no
    // file, in the system's temporary folder for this run. False when
    // neither does; no name is then held.
    bool makeTempNames(const std::string& dir);

    // Opens the current ASCII (RTF) file for writing, creating or truncating
    // it. When that fails (the file was removed with its directory, replaced
    // by a link or another user's file, ...) a fresh name is made and its new
    // file opened instead: two attempts in all, since the fresh file is
    // opened by the same call that creates it. Throws CreateFailed when no
    // fresh file can be made.
    std::unique_ptr<FileSink> createAsciiOutput();
    std::unique_ptr<FileSink> createRtfOutput();

    // For a conversion that must leave AsciiTempPath alone unless it
    // succeeds: write into a fresh file, then adopt it on success or discard
    // it on failure. Throws CreateFailed.
    FreshOutput createFreshOutput();
    // Makes `path` the new AsciiTempPath and deletes the file named before.
    void adoptAsciiTempPath(std::string path);
    static void discardTempFile(const std::string& path) noexcept;

    // A new folder of this program's (mode 0700, "MSX" and six random
    // characters) in TempNameDir, for files handed to other programs under
    // names of their own, such as a member dragged out of a container.
    // Throws CreateFailed.
    std::string makeExportFolder();

    // Deletes AsciiTempPath, RtfTempPath, BmpTempPath and the picture file,
    // in that order, then the export folders with what they hold, passing
    // over any that cannot be deleted, and forgets the names so that a
    // second call removes nothing made since by others.
    void deleteTempFiles() noexcept;

private:
    std::unique_ptr<FileSink> createOutput(std::string& path);

    NameNumberSource numbers_;
    std::string tempNameDir_;
    std::string asciiTempPath_;
    std::string rtfTempPath_;
    std::string bmpTempPath_;
    std::vector<std::string> exportFolders_;
};

} // namespace quillet::app
