// SPDX-License-Identifier: MIT
#pragma once
// Changes to disk and tape images named as the programs name them: a disk
// `DISK`, a folder in it `DISK::FOLDER`, a member `DISK::FOLDER/NAME`, a
// tape `TAPE`, a tape file `TAPE::NAME`. Only an image that is a file of
// its own is written: one inside an archive or another image is refused,
// and so is an archive. Each call changes each image once, whole or not
// at all (container/ImageFile.h).

#include "container/Container.h"
#include "container/DiskWriter.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// What a change is made to.
struct ImageTarget {
    std::string file;   // the image, a file of its own
    ContainerKind kind; // DiskImage or CassetteImage
    std::string inside; // after "::": a folder, a member, or empty
};

// Reads which image `text` names. Throws QuilletError: FileNotFound and
// the like for the file, NotAContainer, NotWritable for an archive, an
// image inside another container, or a tape named with a folder.
ImageTarget imageTarget(const std::string& text);

// The date a file of this machine was last changed, in local time.
MemberDate fileDate(const std::string& path);

// Puts the files `files` (names on this machine) onto `target` (a disk, a
// folder of one, or a tape), each under the name the image forms for it
// (msxDosName, tapeName) and, on a disk, dated with its last change;
// a file of that name is replaced. Two files that would take one name are
// refused (NameTaken, naming both). Returns the names given, in order.
std::vector<std::string> putFiles(const std::string& target, const std::vector<std::string>& files);

// Puts `bytes` into the image as the member `path` ("DISK::NAME.BAS",
// "DISK::DIR/NAME.BAS", "TAPE::NAME"), its name formed as putFiles forms
// it. Returns the name given.
std::string putBytes(const std::string& path, std::string_view bytes, const MemberDate& date);

// Removes the members `paths` ("IMAGE::NAME" each; several images may be
// named, each changed once). Throws QuilletError(UnknownMember) before
// anything is written when one is not there.
void removeMembers(const std::vector<std::string>& paths);

// Makes the folders `paths` ("DISK::FOLDER" each), dated `date`.
void makeFolders(const std::vector<std::string>& paths, const MemberDate& date);

// A blank disk image or an empty tape at `path`; refused (NameTaken) when
// anything has that name.
void makeBlankDisk(const std::string& path, DiskFormat format);
void makeBlankTape(const std::string& path);

} // namespace quillet
