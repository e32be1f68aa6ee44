// SPDX-License-Identifier: MIT
// --extract-all: every member of a container into a folder, converted on
// all cores. One thread walks the containers and makes the folders; the
// workers convert and write the files. Member names are made safe and every
// file is made below the folder's own descriptor, never through a link.

#include "common/Errors.h"
#include "common/WriteAll.h"
#include "container/Container.h"
#include "container/MemberNames.h"
#include "convert/ConvertCli.h"
#include "document/Picture.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillet::cli {

namespace {

// An output folder. Only DIR stays open: any other is opened for each file
// made in it, step by step from DIR, so that an archive of many folders
// never runs out of descriptors.
struct Folder {
    Folder() = default;
    ~Folder()
    {
        if (fd >= 0)
            close(fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int fd = -1;                                            // DIR's own
    const Folder* parent = nullptr;                         // null for DIR
    std::string name;                                       // in the parent
    std::set<std::string> taken;                            // names given out, case folded
    std::map<std::string, std::shared_ptr<Folder>> folders; // by the member's own step
    std::string shown;                                      // for messages, relative to DIR
};

// A descriptor of a folder below DIR, opened through no link.
class OpenFolder {
public:
    explicit OpenFolder(const Folder& folder)
    {
        std::vector<const Folder*> steps;
        const Folder* top = &folder;
        for (; top->parent; top = top->parent)
            steps.push_back(top);
        fd_ = top->fd;
        for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
            const int next = openat(fd_, (*step)->name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const int error = errno;
            release();
            if (next < 0)
                throw QuilletError(errorKindOfErrno(error, ErrorKind::CreateFailed), (*step)->shown);
            fd_ = next;
            owned_ = true;
        }
    }
    ~OpenFolder() { release(); }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    int fd() const noexcept { return fd_; }

private:
    void release() noexcept
    {
        if (owned_)
            close(fd_);
        owned_ = false;
    }
    int fd_ = -1;
    bool owned_ = false;
};

// A name of `folder` nobody has yet: "GAME.asc", else "GAME~2.asc", ...
std::string claim(Folder& folder, const std::string& wanted)
{
    const std::size_t dot = wanted.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? wanted.substr(0, dot) : wanted;
    const std::string extension = hasExtension ? wanted.substr(dot) : "";
    std::string name = wanted;
    for (int n = 2; !folder.taken.insert(foldCase(name)).second; ++n)
        name = stem + "~" + std::to_string(n) + extension;
    return name;
}

std::string stemOf(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
}

enum class Action { Raw, Listing, Picture };

struct Job {
    std::size_t order; // messages come out in the members' order
    std::shared_ptr<Folder> folder;
    std::string name; // in the folder
    Action action;
    std::shared_ptr<const std::string> bytes;
    std::string member; // its path, for messages and the screen mode
};

void writeFileAt(const Folder& into, const std::string& name, std::string_view bytes)
{
    const std::string shown = into.shown + name;
    const OpenFolder folder(into);
    // A file left there, or a link planted, is replaced, never written through.
    if (unlinkat(folder.fd(), name.c_str(), 0) != 0 && errno != ENOENT)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::CreateFailed), shown);
    const int fd = openat(folder.fd(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::CreateFailed), shown);
    if (!writeAll(fd, bytes)) {
        const int error = errno;
        close(fd);
        unlinkat(folder.fd(), name.c_str(), 0);
        throw QuilletError(errorKindOfErrno(error, ErrorKind::WriteFailed), shown);
    }
    if (close(fd) != 0) {
        unlinkat(folder.fd(), name.c_str(), 0);
        throw QuilletError(ErrorKind::WriteFailed, shown);
    }
}

class Extraction {
public:
    Extraction(std::shared_ptr<Folder> top, std::FILE* err) : top_(std::move(top)), err_(err)
    {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i)
            workers_.emplace_back([this] { work(); });
    }
    ~Extraction() { finish(); }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    void add(const WalkedMember& member);
    // Waits for the workers; true when every member was written.
    bool finish();

private:
    std::shared_ptr<Folder> folderFor(const std::vector<std::string>& steps);
    void queue(Job job);
    void work();
    void fail(std::size_t order, const std::string& message, bool counts = true);

    std::shared_ptr<Folder> top_;
    std::FILE* err_;
    std::size_t order_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool closing_ = false;
    std::vector<std::thread> workers_;
    std::vector<std::pair<std::size_t, std::string>> messages_;
    bool failed_ = false;
};

// The folder of `steps` below DIR, made on the way.
std::shared_ptr<Folder> Extraction::folderFor(const std::vector<std::string>& steps)
{
    std::shared_ptr<Folder> at = top_;
    for (const std::string& step : steps) {
        const auto found = at->folders.find(step);
        if (found != at->folders.end()) {
            at = found->second;
            continue;
        }
        const std::string name = claim(*at, safeFileName(step));
        auto folder = std::make_shared<Folder>();
        folder->parent = at.get();
        folder->name = name;
        folder->shown = at->shown + name + "/";
        const OpenFolder parent(*at);
        if (mkdirat(parent.fd(), name.c_str(), 0777) != 0 && errno != EEXIST)
            throw QuilletError(errorKindOfErrno(errno, ErrorKind::CreateFailed), folder->shown);
        // A folder that was there is used only when it is one, not a link.
        OpenFolder check(*folder);
        at->folders.emplace(step, folder);
        at = folder;
    }
    return at;
}

void Extraction::add(const WalkedMember& member)
{
    const std::size_t order = order_++;
    const MemberInfo& info = member.info();
    const std::string path = member.path();
    // Every level but the last is a container, shown as a folder; inside a
    // level "/" separates folders too.
    std::vector<std::string> steps;
    for (std::size_t level = 0; level < member.levels.size(); ++level) {
        const std::string& text = member.levels[level];
        std::size_t start = 0;
        for (std::size_t slash; (slash = text.find('/', start)) != std::string::npos; start = slash + 1) {
            if (slash > start)
                steps.push_back(text.substr(start, slash - start));
        }
        steps.push_back(text.substr(start));
    }
    const std::string last = steps.back();
    steps.pop_back();
    try {
        if (!isReadable(info.status)) {
            fail(order, path + ": " + std::string(memberStatusText(info.status)));
            return;
        }
        // An empty folder is kept too.
        if (member.opened || info.kind == MemberKind::Folder) {
            steps.push_back(last);
            folderFor(steps);
            return;
        }
        if (!member.bytes) {
            fail(order, path + ": " + member.note);
            return;
        }
        std::shared_ptr<Folder> folder = folderFor(steps);
        auto bytes = std::make_shared<const std::string>(std::move(*member.bytes));
        if (!member.note.empty())
            fail(order, path + ": written as it is: " + member.note, false);
        const std::string name = safeFileName(last);
        switch (info.kind) {
        case MemberKind::Basic:
            queue({order, folder, claim(*folder, stemOf(name) + ".asc"), Action::Listing, bytes, path});
            queue({order, folder, claim(*folder, stemOf(name) + ".bas"), Action::Raw, bytes, path});
            break;
        case MemberKind::Bsave:
            // Kept as it is too, for an MSX or an emulator to load.
            queue({order, folder, claim(*folder, stemOf(name) + ".png"), Action::Picture, bytes, path});
            queue({order, folder, claim(*folder, name), Action::Raw, bytes, path});
            break;
        case MemberKind::BsaveBinary: // machine code: no picture to make
        case MemberKind::Text:
        case MemberKind::Other:
            // Named as a picture, it would be one: the user hears why no
            // picture came of it, and has the file as it is.
            if (namesPicture(last)) {
                try {
                    requirePicture(openBytes(path, *bytes));
                } catch (const QuilletError& error) {
                    fail(order, path + ": " + error.what() + ": written as it is");
                }
            }
            queue({order, folder, claim(*folder, name), Action::Raw, bytes, path});
            break;
        case MemberKind::Container: queue({order, folder, claim(*folder, name), Action::Raw, bytes, path}); break;
        case MemberKind::Folder: break;
        }
    } catch (const QuilletError& error) {
        fail(order, path + ": " + error.what());
    }
}

void Extraction::queue(Job job)
{
    std::unique_lock lock(mutex_);
    // A few jobs ahead at most, so that members are not all held at once.
    changed_.wait(lock, [&] { return jobs_.size() < 2 * workers_.size(); });
    jobs_.push_back(std::move(job));
    changed_.notify_all();
}

void Extraction::fail(std::size_t order, const std::string& message, bool counts)
{
    std::lock_guard lock(mutex_);
    messages_.emplace_back(order, message);
    failed_ = failed_ || counts;
}

void Extraction::work()
{
    std::unique_ptr<BsaveConverter> converter;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            changed_.notify_all();
        }
        try {
            switch (job.action) {
            case Action::Raw: writeFileAt(*job.folder, job.name, *job.bytes); break;
            case Action::Listing: {
                Opened document = openBytes(job.member, *job.bytes);
                StringSink listing;
                writeListing(document.head(), document.rest(), listing, ListingOptions{});
                writeFileAt(*job.folder, job.name, listing.str());
                break;
            }
            case Action::Picture: {
                // As the single-file command reads it: the name and the
                // content decide the mode. A member has nothing beside it.
                if (!converter)
                    converter = std::make_unique<BsaveConverter>();
                Opened document = openBytes(job.member, *job.bytes);
                StringSink png;
                writePng(readPicture(document, PictureRequest{}, *converter), png);
                writeFileAt(*job.folder, job.name, png.str());
                break;
            }
            }
        } catch (const QuilletError& error) {
            fail(job.order, job.folder->shown + job.name + ": " + error.what());
        } catch (const std::bad_alloc&) {
            fail(job.order, job.folder->shown + job.name + ": out of memory");
        } catch (const std::exception& error) {
            // Nothing else may end a worker and with it the program.
            fail(job.order, job.folder->shown + job.name + ": " + error.what());
        }
    }
}

bool Extraction::finish()
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    for (std::thread& worker : workers_) {
        if (worker.joinable())
            worker.join();
    }
    std::stable_sort(messages_.begin(), messages_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, message] : messages_)
        std::fprintf(err_, "quillet-convert: %s\n", message.c_str());
    messages_.clear();
    return !failed_;
}

} // namespace

int extractAllMembers(const Options& options, std::FILE* err)
{
    return runContainerCommand(options, err, [&] {
        WorkBudget budget(options.limits);
        std::unique_ptr<Container> container = openNamedContainer(options.input, budget);
        printProblems(*container, options.input, err);
        std::error_code error;
        std::filesystem::create_directories(options.output, error);
        const int fd = open(options.output.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            // The folder that could not be made says why, not the open after it.
            const int cause = error ? error.value() : errno;
            if (cause == EEXIST || cause == ENOTDIR)
                throw QuilletError(ErrorKind::CreateFailed, options.output + ": a file stands where a folder must be");
            throw QuilletError(errorKindOfErrno(cause, ErrorKind::CreateFailed), options.output);
        }
        auto top = std::make_shared<Folder>();
        top->fd = fd;
        top->shown = options.output + (options.output.ends_with('/') ? "" : "/");
        Extraction extraction(top, err);
        try {
            walkMembers(
                *container, [&](const WalkedMember& member) { extraction.add(member); }, budget, WalkReads::Everything);
        } catch (...) {
            // What was written within the limits is told before what stopped it.
            extraction.finish();
            throw;
        }
        return extraction.finish() ? ExitOk : ExitFailed;
    });
}

} // namespace quillet::cli
