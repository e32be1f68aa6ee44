// SPDX-License-Identifier: MIT
// The commands that write disk and tape images, sent to the disk or the
// tape side by what the image is.

#include "common/Errors.h"
#include "convert/ConvertCli.h"

namespace quillet::cli {

namespace {

// The image file a member path or a --put target starts with.
std::string imageFileOf(const std::string& path)
{
    return path.substr(0, path.find("::"));
}

} // namespace

int runWriteCommand(const Options& options, std::FILE* err)
{
    switch (options.write) {
    case WriteCommand::NewDisk: return newDisk(options, err);
    case WriteCommand::NewCassette: return newCassette(options, err);
    case WriteCommand::Wav: return writeCassetteSound(options, err);
    case WriteCommand::Put:
        return isCassetteFile(imageFileOf(options.output)) ? putOnCassette(options, err) : putOnDisk(options, err);
    case WriteCommand::Delete:
        return isCassetteFile(imageFileOf(options.inputs.front())) ? deleteFromCassette(options, err)
                                                                   : deleteFromDisk(options, err);
    case WriteCommand::MakeFolder: return makeDiskFolder(options, err);
    case WriteCommand::None: break;
    }
    return ExitUsage;
}

} // namespace quillet::cli
