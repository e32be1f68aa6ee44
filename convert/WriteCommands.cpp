// SPDX-License-Identifier: MIT
// The commands that write disk and tape images (through the door's image
// changes), and --wav.

#include "common/Errors.h"
#include "container/CassetteWriter.h"
#include "convert/ConvertCli.h"
#include "document/ImageChanges.h"
#include "document/Kinds.h"

#include <filesystem>

namespace quillet::cli {

namespace {

// Runs a command, telling what stops it as "NAME: why": the name the
// refusal concerns, else `name`.
int runChange(std::FILE* err, const std::string& name, const std::function<void()>& command)
{
    try {
        command();
        return ExitOk;
    } catch (const ChangeRefused& refused) {
        std::fprintf(err, "quillet-convert: %s: %s\n", refused.name().c_str(), refused.what());
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", name.c_str(), error.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "quillet-convert: %s: out of memory\n", name.c_str());
    }
    return ExitFailed;
}

// --wav: the tape, a file or a member, as the sound of a cassette.
void writeCassetteSound(const Options& options)
{
    const std::string& input = options.inputs.front();
    const MemberPath where = splitMemberPath(input, commandLineFiles());
    const std::string tape = readImageInput(input, commandLineFiles()).bytes;
    const std::span head(reinterpret_cast<const std::uint8_t*>(tape.data()), std::min<std::size_t>(tape.size(), 8));
    if (!looksLikeCassetteImage(head, tape.size(), where.leafName()))
        throw QuilletError(ErrorKind::NotAContainer, "not a cassette image");
    std::error_code error;
    if (!where.isMember() && std::filesystem::equivalent(where.file, options.output, error))
        throw QuilletError(ErrorKind::NotWritable, "the sound would replace the tape it is made of");
    CassetteSoundOptions sound;
    sound.baud = options.baud;
    const std::string wav = cassetteSound(tape, sound);
    try {
        OutputFile output(options.output);
        output.sink().write(wav);
        output.commit();
    } catch (const QuilletError& failed) {
        throw ChangeRefused(options.output, failed);
    }
}

} // namespace

int runWriteCommand(const Options& options, std::FILE* err)
{
    return runChange(err, options.input, [&] {
        switch (options.write) {
        case WriteCommand::NewDisk:
            makeBlankDisk(options.output,
                          options.diskSize == 360 ? DiskFormat::SingleSided360 : DiskFormat::DoubleSided720);
            break;
        case WriteCommand::NewCassette: makeBlankTape(options.output); break;
        case WriteCommand::Put: {
            std::vector<ImageInput> inputs;
            for (const std::string& input : options.inputs)
                inputs.push_back(readImageInput(input, commandLineFiles()));
            putFiles(options.output, inputs);
            break;
        }
        case WriteCommand::Delete: removeMembers(options.inputs); break;
        case WriteCommand::MakeFolder: makeFolders(options.inputs, dateNow()); break;
        case WriteCommand::Wav: writeCassetteSound(options); break;
        case WriteCommand::None: break;
        }
    });
}

} // namespace quillet::cli
