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

// Serves the bytes read ahead, then the rest of the file.
class HeadThenFile final : public ByteSource {
public:
    HeadThenFile(std::string head, std::FILE* file) : head_(std::move(head)), file_(file)
    {
        pos_ = reinterpret_cast<const std::uint8_t*>(head_.data());
        end_ = pos_ + head_.size();
    }

protected:
    bool refill() override
    {
        if (failed_)
            return false;
        const std::size_t got = std::fread(buffer_, 1, sizeof buffer_, file_);
        if (got == 0) {
            failed_ = std::ferror(file_) != 0;
            return false;
        }
        pos_ = buffer_;
        end_ = buffer_ + got;
        return true;
    }

private:
    std::string head_;
    std::FILE* file_;
    std::uint8_t buffer_[64 * 1024];
};

void printProblems(const Container& container, const std::string& name, std::FILE* err)
{
    for (const std::string& problem : container.problems())
        std::fprintf(err, "quillet-convert: %s: %s\n", name.c_str(), problem.c_str());
}

} // namespace

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
    std::string head(ContainerHeadSize, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    if (std::ferror(file))
        throw QuilletError(ErrorKind::ReadFailed, input);
    std::uint64_t size = head.size();
    struct stat info;
    if (head.size() == ContainerHeadSize && fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode))
        size = static_cast<std::uint64_t>(info.st_size);
    refuseContainer(head, size, input);
    return std::make_unique<HeadThenFile>(std::move(head), file);
}

int listMembers(const Options& options, std::FILE* out, std::FILE* err)
{
    try {
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
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", options.input.c_str(), error.what());
        return ExitFailed;
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "quillet-convert: %s: out of memory\n", options.input.c_str());
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace quillet::cli
