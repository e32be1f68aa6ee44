#pragma once
// Where quillet-convert writes: standard output, or a file that is written
// beside its final name and renamed into place only when complete.

#include "common/ByteStream.h"

#include <memory>
#include <string>

namespace quillet::cli {

class OutputFile {
public:
    // "-" or empty means standard output. Throws CreateFailed.
    explicit OutputFile(const std::string& path);
    ~OutputFile(); // removes the unfinished file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    ByteSink& sink() { return *sink_; }
    // Flushes and moves the file into place; throws WriteFailed.
    void commit();

private:
    std::string path_;
    std::string tempPath_;
    std::unique_ptr<FileSink> sink_;
    bool toStdout_ = false;
    bool committed_ = false;
};

} // namespace quillet::cli
