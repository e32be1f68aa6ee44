#include "convert/OutputFile.h"

#include "common/Errors.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::cli {

OutputFile::OutputFile(const std::string& path) : path_(path)
{
    if (path.empty() || path == "-") {
        toStdout_ = true;
        sink_ = std::make_unique<FileSink>(fdopen(dup(STDOUT_FILENO), "wb"), "standard output");
        return;
    }
    std::filesystem::path target(path);
    std::filesystem::path dir = target.parent_path();
    std::string pattern =
        (dir.empty() ? std::string(".") : dir.string()) + "/." + target.filename().string() + ".XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw QuilletError(ErrorKind::CreateFailed, path);
    tempPath_ = pattern;
    // mkstemp makes the file owner-only; a converted file gets the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        std::remove(tempPath_.c_str());
        throw QuilletError(ErrorKind::CreateFailed, path);
    }
    sink_ = std::make_unique<FileSink>(file, path);
}

OutputFile::~OutputFile()
{
    if (!committed_ && !tempPath_.empty()) {
        sink_.reset();
        std::remove(tempPath_.c_str());
    }
}

void OutputFile::commit()
{
    sink_->close();
    if (!toStdout_ && std::rename(tempPath_.c_str(), path_.c_str()) != 0)
        throw QuilletError(ErrorKind::WriteFailed, path_);
    committed_ = true;
}

} // namespace quillet::cli
