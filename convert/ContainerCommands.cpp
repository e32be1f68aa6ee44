// Member paths as INPUT, and --list.

#include "common/Errors.h"
#include "container/Container.h"
#include "convert/ConvertCli.h"

#include <sys/stat.h>

namespace quillet::cli {

namespace {

bool isFile(const std::string& path)
{
    struct stat info;
    return path == "-" || (stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode));
}

std::string readWhole(const std::string& path)
{
    FilePtr owned;
    std::FILE* file = stdin;
    if (path != "-") {
        owned = openForReading(path);
        file = owned.get();
    }
    return readContainerFile(file, path);
}

} // namespace

void printProblems(const Container& container, const std::string& name, std::FILE* err)
{
    for (const std::string& problem : container.problems())
        std::fprintf(err, "quillet-convert: %s: %s\n", name.c_str(), problem.c_str());
}

int runContainerCommand(const Options& options, std::FILE* err, const std::function<int()>& command)
{
    try {
        return command();
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", options.input.c_str(), error.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "quillet-convert: %s: out of memory\n", options.input.c_str());
    }
    return ExitFailed;
}

// The container named by `input` (a file or a member path), opened.
std::unique_ptr<Container> openNamedContainer(const std::string& input)
{
    const MemberPath path = splitMemberPath(input, isFile);
    std::string bytes = readWhole(path.file);
    if (!path.members.empty())
        bytes = readMemberPath(std::move(bytes), path.file, path.members);
    return openContainer(std::move(bytes), input);
}

std::optional<std::string> readMemberInput(const std::string& input)
{
    const MemberPath path = splitMemberPath(input, isFile);
    if (path.members.empty())
        return std::nullopt;
    return readMemberPath(readWhole(path.file), path.file, path.members);
}

void refuseContainer(std::string_view head, std::uint64_t size, const std::string& input)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(head.data()),
                                              std::min(head.size(), ContainerHeadSize));
    if (const auto kind = containerKindOf(bytes, size, input))
        throw QuilletError(ErrorKind::ContainerGiven, std::string(containerKindInfo(*kind).description));
}

std::unique_ptr<ByteSource> headThenFileSource(std::FILE* file, const std::string& input)
{
    FileHead head = readFileHead(file, input);
    refuseContainer(head.bytes, head.size, input);
    return std::make_unique<FileSource>(file, std::move(head.bytes));
}

int listMembers(const Options& options, std::FILE* out, std::FILE* err)
{
    return runContainerCommand(options, err, [&] {
        const std::unique_ptr<Container> container = openNamedContainer(options.input);
        printProblems(*container, options.input, err);
        walkMembers(*container, [&](const WalkedMember& member) {
            const MemberInfo& info = member.info();
            std::string line =
                member.path() + "\t" + std::to_string(info.size) + "\t" + std::string(memberKindName(info.kind));
            if (info.status != MemberStatus::Ok)
                line += "\t" + std::string(memberStatusText(info.status));
            else if (!member.note.empty())
                line += "\tnot listed: " + member.note;
            line += "\n";
            std::fwrite(line.data(), 1, line.size(), out);
            if (member.opened)
                printProblems(*member.opened, options.input + "::" + member.path(), err);
        });
        if (std::fflush(out) != 0)
            throw QuilletError(ErrorKind::WriteFailed, "standard output");
        return ExitOk;
    });
}

} // namespace quillet::cli
