#include "app/DocumentPath.h"

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "container/Container.h"

#include <sys/stat.h>

namespace quillet::app {

namespace {

constexpr std::string_view Separator = "::";

bool isFileOnDisk(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

} // namespace

DocumentPath splitDocumentPath(const std::string& path)
{
    MemberPath split = splitMemberPath(path, isFileOnDisk);
    return {std::move(split.file), std::move(split.members)};
}

std::string parentDocumentPath(const std::string& path)
{
    const DocumentPath where = splitDocumentPath(path);
    if (where.members.empty())
        return {};
    // Cut after the file and each member but the last, as written.
    std::string parent = where.file;
    for (std::size_t i = 0; i + 1 < where.members.size(); ++i)
        parent += std::string(Separator) + where.members[i];
    return parent;
}

std::string documentLeafName(const std::string& path)
{
    const DocumentPath where = splitDocumentPath(path);
    const std::string& last = where.members.empty() ? where.file : where.members.back();
    const std::size_t slash = last.find_last_of('/');
    return slash == std::string::npos ? last : last.substr(slash + 1);
}

std::string readMemberBytes(const std::string& path)
{
    const DocumentPath where = splitDocumentPath(path);
    if (where.members.empty())
        throw QuilletError(ErrorKind::UnknownMember, path);
    const FilePtr file = openRegularFileForReading(where.file);
    return readMemberPath(readContainerFile(file.get(), where.file), where.file, where.members);
}

} // namespace quillet::app
