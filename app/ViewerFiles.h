// SPDX-License-Identifier: MIT
#pragma once
// How the viewer reaches the files it opens: regular files only, so that a
// pipe or a device never blocks a load, and member paths split where the
// file on disk ends.

#include "document/Open.h"

#include <string>

namespace quillet::app {

inline const FileAccess& viewerFiles()
{
    static const DiskFiles files(DiskFiles::Rule::RegularOnly);
    return files;
}

inline MemberPath viewerPath(const std::string& path)
{
    return splitMemberPath(path, viewerFiles());
}

} // namespace quillet::app
