// SPDX-License-Identifier: MIT
#pragma once
// Writing MSX-DOS disk images: blank ones, and files and folders added to,
// replaced in or removed from one. Every change is made whole or not at all.

#include "container/Container.h"

#include <string>
#include <string_view>

namespace quillet {

enum class DiskFormat {
    DoubleSided720, // 3.5", two sides, 80 tracks of 9 sectors (media byte F9)
    SingleSided360, // 3.5", one side, 80 tracks of 9 sectors (media byte F8)
};

// A blank image of the format: boot sector, both FATs, an empty root folder
// and the data area, as MSX-DOS formats the disk and mtools reads it.
std::string blankDiskImage(DiskFormat format);

// The 8.3 name MSX-DOS forms for the file name `name` (UTF-8, no folder):
// ASCII letters upper case, the base cut to 8 and the extension to 3 (after
// the last dot). Returned as a directory entry holds it: 11 code page 932
// bytes, each part padded with blanks, a first byte E5 stored as 05.
// Throws QuilletError(BadName) naming what MSX-DOS cannot hold (an empty
// base, a character it refuses, a character with no code page 932 form).
std::string msxDosName(std::string_view name);
// An entry name as msxDosName returns it, as the disk's list shows it:
// "GAME.BAS", in UTF-8.
std::string msxDosNameText(std::string_view entryName);

class DiskEditor {
public:
    // `image` is a whole disk image. Throws QuilletError: NotAContainer for
    // one that is no disk image, NotWritable naming the damage for one that
    // is not to be written (a boot sector or FAT that does not add up, FAT
    // copies that differ, a chain that loops, leaves the disk or is shared,
    // a folder inside itself, a cut image).
    explicit DiskEditor(std::string image);

    // Puts the file `name` (as msxDosName forms it) into `folder` ("" for
    // the root, "GAMES/OLD" below it), replacing a file of that name.
    // Throws QuilletError: UnknownMember (no such folder), NameTaken (a
    // folder has the name), BadName, DiskFull (no cluster or no folder
    // entry left, saying how much is missing).
    void put(std::string_view folder, std::string_view name, std::string_view bytes, const MemberDate& date);
    // Removes a file, or a folder that holds nothing. Throws QuilletError:
    // UnknownMember, NotWritable (a folder that is not empty).
    void remove(std::string_view path);
    // Makes the folder `path` ("GAMES", "GAMES/OLD"); its parent must be
    // there. Throws QuilletError: UnknownMember, NameTaken, BadName, DiskFull.
    void makeFolder(std::string_view path, const MemberDate& date);

    const std::string& image() const noexcept { return image_; }

private:
    std::string image_;
};

} // namespace quillet
