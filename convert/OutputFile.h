// SPDX-License-Identifier: MIT
#pragma once
// Where quillet-convert writes: standard output; a pipe or a device, written
// in place; or a regular file (for a symbolic link, the file it points to),
// written beside its final name and renamed into place only when complete.
// The new file keeps the permission bits of the one it replaces. While it is
// unfinished, SIGTERM, SIGINT and SIGHUP remove it before ending the program,
// and a file-size limit makes the write fail instead of killing the program.

#include "common/ByteStream.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace quillet::cli {

// How a path is taken: as the user gave OUTPUT (the rules above), or as a
// name in a folder that a batch writes, where whatever has the name (a
// file, a link, a pipe) is replaced by the new file and nothing is written
// through it.
enum class OutputPlacement { AsGiven, NameInFolder };

class OutputFile {
public:
    // "-" or empty means standard output. Throws QuilletError (CreateFailed,
    // or the cause: missing folder, permission, a folder as OUTPUT). Several
    // may be open at once, on several threads.
    explicit OutputFile(const std::string& path, OutputPlacement placement = OutputPlacement::AsGiven);
    ~OutputFile(); // removes the unfinished file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    ByteSink& sink() { return *sink_; }
    // Writes `head`, then the rest of `in` from its stream position as it
    // is: inside the kernel, or in large blocks, with no pass over the
    // bytes. Only while nothing has gone through sink(). False, with
    // nothing written, when `in` has no position (a pipe); throws
    // QuilletError: ReadFailed naming `inName`, or WriteFailed.
    bool copyFile(std::string_view head, std::FILE* in, const std::string& inName);
    // Flushes and moves the file into place; throws WriteFailed.
    void commit();

private:
    // Installs the signal handling above while any OutputFile lives and
    // puts back what was there before when the last one goes.
    struct SignalHold {
        SignalHold();
        ~SignalHold();
        SignalHold(const SignalHold&) = delete;
        SignalHold& operator=(const SignalHold&) = delete;
    };

    void openTemporary();
    void discardTemp() noexcept;

    SignalHold signals_; // first, so it is put back last
    std::string path_;   // as given, for messages
    std::string target_; // the file renamed over; empty when written in place
    std::string tempPath_;
    std::size_t slot_ = 0; // of tempPath_ among the unfinished files
    std::unique_ptr<FileSink> sink_;
    std::FILE* file_ = nullptr; // the sink's stream
    bool committed_ = false;
};

} // namespace quillet::cli
