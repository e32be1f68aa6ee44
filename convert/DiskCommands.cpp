// SPDX-License-Identifier: MIT
// --new-disk, --put onto a disk, --delete and --mkdir.

#include "convert/ConvertCli.h"

namespace quillet::cli {

int newDisk(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --new-disk is not built yet\n");
    return ExitFailed;
}

int putOnDisk(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --put is not built yet\n");
    return ExitFailed;
}

int deleteFromDisk(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --delete is not built yet\n");
    return ExitFailed;
}

int makeDiskFolder(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --mkdir is not built yet\n");
    return ExitFailed;
}

} // namespace quillet::cli
