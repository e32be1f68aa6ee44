// SPDX-License-Identifier: MIT
#pragma once
// Changes to disk and tape images, named as the programs name them: a disk
// `DISK`, a folder in it `DISK::FOLDER`, a member `DISK::FOLDER/NAME`, a
// tape `TAPE`, a tape file `TAPE::NAME`. Only an image that is a file of
// its own is written: one inside an archive or inside another image is
// refused, and so is an archive. Each image named is changed once, whole or
// not at all (container/ImageFile.h); quillet-convert and the viewer both
// change images through here.

#include "common/Errors.h"
#include "container/Container.h"
#include "container/DiskWriter.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class FileAccess;

// A change refused, and the name it concerns: the image, or the file or
// member given that it could not take.
class ChangeRefused : public QuilletError {
public:
    ChangeRefused(std::string name, const QuilletError& cause);
    const std::string& name() const noexcept { return name_; }

private:
    std::string name_;
};

// A file to put into an image, read whole.
struct ImageInput {
    std::string given; // as named: a file or a member path
    std::string leaf;  // the name it goes by, without folders
    std::string bytes;
    MemberDate date; // a file's last change; now for a member
};

// The file or member path `name`, read through `access` (at most 16 MB).
// Throws ChangeRefused naming it.
ImageInput readImageInput(const std::string& name, const FileAccess& access);

// The date a file of this machine was last changed, and the time now, in
// local time.
MemberDate fileDate(std::time_t modified);
MemberDate dateNow();

// Puts `inputs` onto `target` (a disk, a folder of one, or a tape), each
// under the name the image forms from its leaf (msxDosName on a disk, the
// six-character tape name on a tape), replacing a file of that name. Two
// inputs that would take one name are refused (NameTaken).
void putFiles(const std::string& target, const std::vector<ImageInput>& inputs);

// Puts `bytes` as the member `path` ("DISK::NAME.BAS", "DISK::DIR/NAME.BAS",
// "TAPE::NAME"), its name formed as putFiles forms it.
void putBytes(const std::string& path, std::string_view bytes, const MemberDate& date);

// Removes the members `paths` ("IMAGE::NAME" each: a file, or a folder of a
// disk that holds nothing). The paths of one image change it once.
void removeMembers(const std::vector<std::string>& paths);

// Makes the folders `paths` ("DISK::FOLDER" each) of disks, dated `date`.
void makeFolders(const std::vector<std::string>& paths, const MemberDate& date);

// A blank disk image or an empty tape (a file named .cas) at `path`;
// refused (NameTaken) when anything has that name.
void makeBlankDisk(const std::string& path, DiskFormat format);
void makeBlankTape(const std::string& path);

} // namespace quillet
