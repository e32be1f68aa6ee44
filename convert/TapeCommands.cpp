// SPDX-License-Identifier: MIT
// --new-cas, --put onto a tape, --delete on one, and --wav.

#include "common/Errors.h"
#include "container/CassetteWriter.h"
#include "container/ImageFile.h"
#include "convert/ConvertCli.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>

namespace quillet::cli {

namespace {

// A file's or a member's bytes, whole.
std::string readWhole(const MemberPath& where, std::uint64_t limit)
{
    const FileAccess& access = commandLineFiles();
    if (where.isMember())
        return readMember(where, access);
    const FilePtr file = access.open(where.file);
    std::string bytes;
    char buffer[64 * 1024];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (bytes.size() + got > limit)
            throw QuilletError(ErrorKind::TooLarge, "too large for a tape");
        bytes.append(buffer, got);
    }
    if (std::ferror(file.get()))
        throw QuilletError(ErrorKind::ReadFailed, where.file);
    return bytes;
}

void tell(std::FILE* err, const std::string& name, const std::string& why)
{
    std::fprintf(err, "quillet-convert: %s: %s\n", name.c_str(), why.c_str());
}

// Runs a change of an image, telling what stops it as "NAME: why", NAME
// being `blamed` when it is set, else `image`.
int runChange(std::FILE* err, const std::string& image, const std::string& blamed, const std::function<void()>& change)
{
    try {
        change();
        return ExitOk;
    } catch (const QuilletError& error) {
        tell(err, blamed.empty() ? image : blamed, error.what());
    } catch (const std::bad_alloc&) {
        tell(err, image, "out of memory");
    }
    return ExitFailed;
}

bool isTapeName(std::string_view path)
{
    const std::uint8_t none[1] = {};
    return looksLikeCassetteImage(std::span(none, 0), 0, path);
}

} // namespace

bool isCassetteFile(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (info.st_size == 0)
        return isTapeName(path);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::uint8_t head[8];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head
           && looksLikeCassetteImage(std::span(head, got), static_cast<std::uint64_t>(info.st_size), path);
}

int newCassette(const Options& options, std::FILE* err)
{
    // A blank tape is an empty file, which only its name marks as a tape.
    if (!isTapeName(options.output)) {
        tell(err, options.output,
             "a blank tape is an empty file that only the name .cas tells as a tape: name it .cas");
        return ExitFailed;
    }
    return runChange(err, options.output, {}, [&] { createImageFile(options.output, ""); });
}

int putOnCassette(const Options& options, std::FILE* err)
{
    const MemberPath target = splitMemberPath(options.output, commandLineFiles());
    if (target.isMember()) {
        tell(err, options.output, "a tape has no folders: put the files on " + target.file);
        return ExitFailed;
    }
    struct Input {
        std::string path, leaf, name, bytes;
    };
    std::vector<Input> inputs;
    std::map<std::string, std::string> named; // tape name to the input that takes it
    for (const std::string& path : options.inputs) {
        Input input{path, {}, {}, {}};
        try {
            const MemberPath where = splitMemberPath(path, commandLineFiles());
            input.leaf = where.leafName();
            input.name = tapeName(input.leaf);
            input.bytes = readWhole(where, MaxMemberSize);
        } catch (const QuilletError& error) {
            tell(err, path, error.what());
            return ExitFailed;
        }
        const auto [taken, fresh] = named.emplace(input.name, path);
        if (!fresh) {
            tell(err, taken->second + ", " + path, "both would be " + input.name + " on the tape");
            return ExitFailed;
        }
        inputs.push_back(std::move(input));
    }
    std::string blamed;
    return runChange(err, target.file, blamed, [&] {
        changeImageFile(target.file, [&](std::string tape) {
            requireWritableTape(tape);
            for (const Input& input : inputs) {
                blamed = input.path;
                tape = putOnTape(std::move(tape), input.leaf, input.bytes);
            }
            blamed.clear();
            return tape;
        });
    });
}

int deleteFromCassette(const Options& options, std::FILE* err)
{
    // The names to delete, tape by tape, each tape changed once.
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> tapes;
    for (const std::string& path : options.inputs) {
        const MemberPath where = splitMemberPath(path, commandLineFiles());
        if (where.members.size() != 1) {
            tell(err, path, "only a file on the tape itself can be deleted");
            return ExitFailed;
        }
        if (!isCassetteFile(where.file)) {
            tell(err, path, "not on a tape: --delete takes the files of one kind of image at a time");
            return ExitFailed;
        }
        auto tape = std::find_if(tapes.begin(), tapes.end(), [&](const auto& t) { return t.first == where.file; });
        if (tape == tapes.end())
            tape = tapes.insert(tapes.end(), {where.file, {}});
        tape->second.emplace_back(path, where.members.front());
    }
    for (const auto& [file, names] : tapes) {
        std::string blamed;
        const int status = runChange(err, file, blamed, [&] {
            changeImageFile(file, [&](std::string tape) {
                requireWritableTape(tape);
                for (const auto& [path, name] : names) {
                    blamed = path;
                    tape = removeFromTape(std::move(tape), name);
                }
                blamed.clear();
                return tape;
            });
        });
        if (status != ExitOk)
            return status;
    }
    return ExitOk;
}

int writeCassetteSound(const Options& options, std::FILE* err)
{
    const std::string& input = options.inputs.front();
    std::string blamed;
    return runChange(err, input, blamed, [&] {
        const MemberPath where = splitMemberPath(input, commandLineFiles());
        const std::string tape = readWhole(where, MaxContainerFileSize);
        const std::span head(reinterpret_cast<const std::uint8_t*>(tape.data()), std::min<std::size_t>(tape.size(), 8));
        if (!looksLikeCassetteImage(head, tape.size(), where.leafName()))
            throw QuilletError(ErrorKind::NotAContainer, "not a cassette image");
        std::error_code error;
        if (!where.isMember() && std::filesystem::equivalent(where.file, options.output, error))
            throw QuilletError(ErrorKind::NotWritable, "the sound would replace the tape it is made of");
        CassetteSoundOptions sound;
        sound.baud = options.baud;
        const std::string wav = cassetteSound(tape, sound);
        blamed = options.output;
        OutputFile output(options.output);
        output.sink().write(wav);
        output.commit();
    });
}

} // namespace quillet::cli
