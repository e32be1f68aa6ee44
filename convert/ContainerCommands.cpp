// SPDX-License-Identifier: MIT
// Member paths as INPUT, and --list.

#include "common/Errors.h"
#include "container/Container.h"
#include "convert/ConvertCli.h"

namespace quillet::cli {

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
std::unique_ptr<Container> openNamedContainer(const std::string& input, WorkBudget& budget)
{
    Opened opened = openName(input, commandLineFiles());
    if (!opened.isContainer())
        throw QuilletError(ErrorKind::NotAContainer, input);
    return opened.openContainer(budget);
}

namespace {

// A folder's row as MSX-DOS 2's DIR gives it: its name, <DIR> and its date.
std::string folderFields(const MemberInfo& info)
{
    std::string line = "\t<DIR>\t";
    if (info.date) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d", info.date->year, info.date->month, info.date->day,
                      info.date->hour, info.date->minute);
        line += date;
    }
    return line;
}

} // namespace

int listMembers(const Options& options, std::FILE* out, std::FILE* err)
{
    return runContainerCommand(options, err, [&] {
        WorkBudget budget(options.limits);
        const std::unique_ptr<Container> container = openNamedContainer(options.input, budget);
        printProblems(*container, options.input, err);
        walkMembers(
            *container,
            [&](const WalkedMember& member) {
                const MemberInfo& info = member.info();
                std::string line = member.path()
                                   + (info.kind == MemberKind::Folder ? folderFields(info)
                                                                      : "\t" + std::to_string(info.size) + "\t"
                                                                            + std::string(memberKindName(info.kind)));
                if (info.status != MemberStatus::Ok)
                    line += "\t" + std::string(memberStatusText(info.status));
                else if (!member.note.empty())
                    line += "\tnot listed: " + member.note;
                line += "\n";
                std::fwrite(line.data(), 1, line.size(), out);
                if (member.opened)
                    printProblems(*member.opened, options.input + "::" + member.path(), err);
            },
            budget);
        if (std::fflush(out) != 0)
            throw QuilletError(ErrorKind::WriteFailed, "standard output");
        return ExitOk;
    });
}

} // namespace quillet::cli
