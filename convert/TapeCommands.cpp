// SPDX-License-Identifier: MIT
// --new-cas, --put onto a tape, --delete on one, and --wav.

#include "convert/ConvertCli.h"

namespace quillet::cli {

bool isCassetteFile(const std::string&)
{
    return false;
}

int newCassette(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --new-cas is not built yet\n");
    return ExitFailed;
}

int putOnCassette(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --put onto a tape is not built yet\n");
    return ExitFailed;
}

int deleteFromCassette(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --delete on a tape is not built yet\n");
    return ExitFailed;
}

int writeCassetteSound(const Options&, std::FILE* err)
{
    std::fprintf(err, "quillet-convert: --wav is not built yet\n");
    return ExitFailed;
}

} // namespace quillet::cli
