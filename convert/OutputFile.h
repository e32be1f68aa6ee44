#pragma once
// Where quillet-convert writes: standard output; a pipe or a device, written
// in place; or a regular file (for a symbolic link, the file it points to),
// written beside its final name and renamed into place only when complete.
// The new file keeps the permission bits of the one it replaces. While it is
// unfinished, SIGTERM, SIGINT and SIGHUP remove it before ending the program,
// and a file-size limit makes the write fail instead of killing the program.

#include "common/ByteStream.h"

#include <memory>
#include <string>

namespace quillet::cli {

class OutputFile {
public:
    // "-" or empty means standard output. Throws QuilletError (CreateFailed,
    // or the cause: missing folder, permission, a folder as OUTPUT). Only
    // one OutputFile may exist at a time.
    explicit OutputFile(const std::string& path);
    ~OutputFile(); // removes the unfinished file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    ByteSink& sink() { return *sink_; }
    // Flushes and moves the file into place; throws WriteFailed.
    void commit();

private:
    // Installs the signal handling above for the life of the OutputFile and
    // puts back what was there before.
    struct SignalHold {
        SignalHold();
        ~SignalHold();
        SignalHold(const SignalHold&) = delete;
        SignalHold& operator=(const SignalHold&) = delete;
    };

    void discardTemp() noexcept;

    SignalHold signals_; // first, so it is put back last
    std::string path_;   // as given, for messages
    std::string target_; // the file renamed over; empty when written in place
    std::string tempPath_;
    std::unique_ptr<FileSink> sink_;
    bool committed_ = false;
};

} // namespace quillet::cli
