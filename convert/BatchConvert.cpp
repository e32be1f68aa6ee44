// SPDX-License-Identifier: MIT
// --output-dir: many inputs converted in one process, on every core. Each
// output is named after its input in the folder. The names are given out in
// the inputs' order before any work starts, so that one call always names
// its outputs the same way whichever worker is faster.

#include "common/Errors.h"
#include "container/Container.h"
#include "container/MemberNames.h"
#include "convert/ConvertCli.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quillet::cli {

namespace {

std::string stemOf(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
}

// Inputs that share a stem (GAME.BAS and other/GAME.BAS, or GAME.BAS and
// GAME.SC5) would write the same file: the first keeps it, the next are
// GAME~2, GAME~3, ... Compared with letters folded, for folders that do.
std::vector<std::string> claimStems(const std::vector<std::string>& inputs)
{
    std::set<std::string> taken;
    std::vector<std::string> stems;
    for (const std::string& input : inputs) {
        if (input.empty()) { // refused, so it writes nothing
            stems.emplace_back();
            continue;
        }
        const std::string wanted = stemOf(safeFileName(splitMemberPath(input, commandLineFiles()).leafName()));
        std::string stem = wanted;
        for (int n = 2; !taken.insert(foldCase(stem)).second; ++n)
            stem = wanted + "~" + std::to_string(n);
        stems.push_back(stem);
    }
    return stems;
}

using FileId = std::pair<dev_t, ino_t>;

// The files on disk that the inputs read: an output in their folder must
// not replace one of them.
std::set<FileId> inputFiles(const std::vector<std::string>& inputs)
{
    std::set<FileId> files;
    for (const std::string& input : inputs) {
        struct stat info;
        if (stat(input.c_str(), &info) == 0
            || stat(splitMemberPath(input, commandLineFiles()).file.c_str(), &info) == 0)
            files.emplace(info.st_dev, info.st_ino);
    }
    return files;
}

// "N of M" on a terminal, at most ten times a second, from any worker.
class Progress {
public:
    Progress(std::FILE* err, std::size_t total) : err_(err), total_(total), shown_(isatty(fileno(err)) != 0) {}
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void done()
    {
        const std::size_t finished = ++finished_;
        if (!shown_)
            return;
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(mutex_);
        if (finished < total_ && now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        std::fprintf(err_, "\rquillet-convert: %zu of %zu", finished, total_);
        std::fflush(err_);
        printed_ = true;
    }
    // Ends the line, before the messages of the inputs that failed.
    void finish()
    {
        if (printed_)
            std::fputc('\n', err_);
    }

private:
    std::FILE* err_;
    std::size_t total_;
    bool shown_;
    bool printed_ = false;
    std::atomic<std::size_t> finished_{0};
    std::mutex mutex_;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace

namespace {

std::vector<std::string> namesListed(const std::string& list)
{
    std::FILE* file = list == "-" ? stdin : std::fopen(list.c_str(), "rb");
    if (!file)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::ReadFailed), list);
    std::vector<std::string> names;
    char* line = nullptr;
    std::size_t capacity = 0;
    for (ssize_t got; (got = getline(&line, &capacity, file)) >= 0;) {
        std::string name(line, static_cast<std::size_t>(got));
        if (!name.empty() && name.back() == '\n')
            name.pop_back();
        if (!name.empty())
            names.push_back(std::move(name));
    }
    std::free(line);
    const bool failed = std::ferror(file);
    if (file != stdin)
        std::fclose(file);
    if (failed)
        throw QuilletError(ErrorKind::ReadFailed, list);
    return names;
}

} // namespace

std::optional<std::vector<std::string>> batchInputs(const Options& options, std::FILE* err)
{
    std::vector<std::string> named = options.inputs;
    if (options.fromFile.empty())
        return named;
    try {
        std::vector<std::string> listed = namesListed(options.fromFile);
        named.insert(named.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", options.fromFile.c_str(), error.what());
        return std::nullopt;
    }
    return named;
}

int convertAll(const Options& options, std::FILE* err)
{
    std::optional<std::vector<std::string>> listed = batchInputs(options, err);
    if (!listed)
        return ExitFailed;
    std::vector<std::string> named = std::move(*listed);

    std::error_code error;
    std::filesystem::create_directories(options.outputDir, error);
    if (!std::filesystem::is_directory(options.outputDir)) {
        std::fprintf(
            err, "quillet-convert: %s: %s\n", options.outputDir.c_str(),
            QuilletError(error ? errorKindOfErrno(error.value(), ErrorKind::CreateFailed) : ErrorKind::NotRegularFile)
                .what());
        return ExitFailed;
    }

    // One message slot per input, and its notices, each written by the one
    // worker that took it, and read after all have joined; an input named
    // by a URI of no local file has its message before the work starts.
    std::vector<std::string> failures(named.size());
    std::vector<std::vector<std::string>> notices(named.size());
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < named.size(); ++i) {
        try {
            inputs.push_back(localName(named[i]));
        } catch (const QuilletError& e) {
            inputs.emplace_back();
            failures[i] = e.what();
        }
    }
    const std::set<FileId> readFiles = inputFiles(inputs);
    const auto check = [&readFiles](const std::string& path) {
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && readFiles.contains({info.st_dev, info.st_ino}))
            throw Unsupported(path + " is one of the inputs and is not replaced");
    };
    std::vector<BatchTarget> targets;
    for (const std::string& stem : claimStems(inputs))
        targets.push_back({(std::filesystem::path(options.outputDir) / stem).string(), check});

    // Each input's options, without the list of every input.
    Options base = options;
    base.inputs = {};
    base.fromFile.clear();
    Progress progress(err, inputs.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < inputs.size(); progress.done()) {
            if (!failures[i].empty())
                continue;
            Options one = base;
            one.input = inputs[i];
            one.output.clear();
            try {
                notices[i] = convertFile(one, &targets[i]);
            } catch (const QuilletError& e) {
                failures[i] = e.what();
            } catch (const Unsupported& e) {
                failures[i] = e.what();
            } catch (const std::bad_alloc&) {
                failures[i] = "out of memory";
            } catch (const std::exception& e) {
                // Nothing may end a worker and with it the other inputs.
                failures[i] = e.what();
            }
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (std::size_t w = 1; w < std::min(cores, inputs.size()); ++w)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    progress.finish();

    int status = ExitOk;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        for (const std::string& notice : notices[i])
            std::fprintf(err, "quillet-convert: %s\n", notice.c_str());
        if (failures[i].empty())
            continue;
        std::fprintf(err, "quillet-convert: %s: %s\n", named[i].c_str(), failures[i].c_str());
        status = ExitFailed;
    }
    return status;
}

} // namespace quillet::cli
