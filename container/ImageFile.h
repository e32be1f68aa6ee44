// SPDX-License-Identifier: MIT
#pragma once
// Disk and tape images changed where they lie. Nothing is written into the
// image: the new one is written beside it, flushed to the disk and renamed
// over it only when complete, so a failure at any point (a full disk, a
// refused change, the program killed) leaves the old image byte for byte.

#include <functional>
#include <string>
#include <string_view>

namespace quillet {

// Rewrites the image file `path` (a local regular file, a symbolic link
// being followed) with what `change` makes of its bytes. The new file keeps
// the old one's permission bits. Throws QuilletError: FileNotFound,
// NotRegularFile, PermissionDenied (the file or its folder may not be
// written), TooLarge, ReadFailed, WriteFailed (also when the file changed
// on disk while it was being changed), or whatever `change` throws; the
// file is then as it was.
void changeImageFile(const std::string& path, const std::function<std::string(std::string)>& change);

// Creates the image file `path` holding `bytes`, the same way. Throws
// QuilletError: NameTaken when anything has that name already, FileNotFound
// for a missing folder, PermissionDenied, WriteFailed.
void createImageFile(const std::string& path, std::string_view bytes);

} // namespace quillet
