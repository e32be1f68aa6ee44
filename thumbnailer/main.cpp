// SPDX-License-Identifier: MIT
// quillet-thumbnailer -s SIZE INPUT OUTPUT: the freedesktop thumbnailer of
// MSX pictures and tokenized BASIC programs (packaging/quillet.thumbnailer).

#include "common/Errors.h"
#include "common/Version.h"
#include "common/WriteAll.h"
#include "document/Open.h"
#include "fonts/BundledFonts.h"
#include "thumbnailer/Thumbnail.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view Usage = "usage: quillet-thumbnailer -s SIZE INPUT OUTPUT\n"
                                   "       quillet-thumbnailer --help | --version\n"
                                   "\n"
                                   "Writes a PNG thumbnail of INPUT into OUTPUT, at most SIZE pixels wide and\n"
                                   "high (1 to 4096): a BSAVE screen image as its picture, a tokenized MSX\n"
                                   "BASIC program as the first lines of its listing on an MSX text screen.\n"
                                   "File managers run it through share/thumbnailers/quillet.thumbnailer.\n"
                                   "INPUT and OUTPUT may be file:// URIs. OUTPUT is written in place, never\n"
                                   "replaced by a new file.\n"
                                   "\n"
                                   "  -s SIZE    the largest width and height of the thumbnail\n"
                                   "  --help     show this text\n"
                                   "  --version  show the program's name and version\n"
                                   "\n"
                                   "Exit status: 0 done, 1 INPUT is no MSX picture or program or OUTPUT could\n"
                                   "not be written, 2 wrong arguments.\n";

int usage(const char* problem)
{
    std::fprintf(stderr, "quillet-thumbnailer: %s\n%.*s", problem, static_cast<int>(Usage.size()), Usage.data());
    return 2;
}

int fail(const std::string& name, std::string_view why)
{
    std::fprintf(stderr, "quillet-thumbnailer: %s: %.*s\n", name.c_str(), static_cast<int>(why.size()), why.data());
    return 1;
}

struct Request {
    int size = 0;
    std::string input;
    std::string output;
};

enum class Asked { Thumbnail, Help, Version };

// The arguments after the program name; nullopt after a usage message.
std::optional<Request> parseArguments(const std::vector<std::string_view>& args, Asked& asked)
{
    const auto refuse = [](const std::string& problem) -> std::optional<Request> {
        usage(problem.c_str());
        return std::nullopt;
    };
    Request request;
    std::vector<std::string_view> names;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            asked = Asked::Help;
            return std::nullopt;
        }
        if (arg == "--version") {
            asked = Asked::Version;
            return std::nullopt;
        }
        if (arg == "-s") {
            if (++i == args.size())
                return refuse("-s needs a size");
            const std::string value(args[i]);
            char* end = nullptr;
            errno = 0;
            const long size = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || size < 1 || size > quillet::thumb::MaxThumbnailSize)
                return refuse("-s needs a size from 1 to 4096");
            request.size = static_cast<int>(size);
        } else if (arg.starts_with('-')) {
            return refuse("unknown option " + std::string(arg));
        } else {
            names.push_back(arg);
        }
    }
    if (request.size == 0)
        return refuse("no size given");
    if (names.size() != 2)
        return refuse("needs an INPUT and an OUTPUT");
    request.input = names[0];
    request.output = names[1];
    return request;
}

// Qt looks for "flatpak-info" in the runtime folder as the application
// starts, and makes a folder runtime-USER in the temporary folder when
// XDG_RUNTIME_DIR names none. GNOME's thumbnailer sandbox has no runtime
// folder, and its /tmp is a folder of the factory's own that a leftover
// keeps from being removed. So without a usable runtime folder, Qt is
// given a private one that goes before the program ends.
class PrivateRuntimeFolder {
public:
    explicit PrivateRuntimeFolder(const std::string& output)
    {
        const char* given = std::getenv("XDG_RUNTIME_DIR");
        struct stat info;
        // Qt's own test of a runtime folder.
        if (given && *given && ::stat(given, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
            && (info.st_mode & 0777) == 0700)
            return;
        const char* tmp = std::getenv("TMPDIR");
        const std::filesystem::path outputFolder = std::filesystem::path(output).parent_path();
        for (const std::filesystem::path& base :
             {std::filesystem::path(tmp && *tmp ? tmp : "/tmp"), outputFolder.empty() ? "." : outputFolder}) {
            std::string name = (base / "quillet-thumbnailer-XXXXXX").string();
            if (::mkdtemp(name.data())) {
                folder_ = name;
                ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
                return;
            }
        }
    }
    ~PrivateRuntimeFolder()
    {
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }
    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

private:
    std::string folder_;
};

// Writes `bytes` into the file at `path`, truncating it. File managers
// read the very file they named (tumbler keeps it open while the
// thumbnailer runs), so no new file may be renamed over it. A failed write
// leaves the file empty, or no file when this made it.
bool writeInPlace(const std::string& path, const QByteArray& bytes)
{
    bool made = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        made = fd >= 0;
    }
    if (fd < 0)
        return false;
    bool written = quillet::writeAll(fd, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    written = ::close(fd) == 0 && written;
    if (!written) {
        if (made)
            ::unlink(path.c_str());
        else
            static_cast<void>(::truncate(path.c_str(), 0));
    }
    return written;
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace quillet;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    Asked asked = Asked::Thumbnail;
    std::optional<Request> request = parseArguments(args, asked);
    if (asked == Asked::Help) {
        std::fwrite(Usage.data(), 1, Usage.size(), stdout);
        return 0;
    }
    if (asked == Asked::Version) {
        std::printf("quillet-thumbnailer %s\n", ProgramVersion);
        return 0;
    }
    if (!request)
        return 2;
    for (std::string* name : {&request->input, &request->output}) {
        try {
            *name = localName(*name);
        } catch (const QuilletError& error) {
            return fail(error.detail(), errorText(error.kind()));
        }
    }

    // Only a program's screen is drawn in a font, and fonts need Qt's
    // application and platform, which cost more than the rest of a
    // picture's thumbnail: they are started for a program alone.
    std::optional<PrivateRuntimeFolder> runtime;
    std::unique_ptr<QGuiApplication> app;
    int qtArgc = 1;
    const auto programFont = [&] {
        runtime.emplace(request->output);
        // File managers run thumbnailers without a display, often in a
        // sandbox that hides it; drawing needs none. Qt is given no
        // arguments to take.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(qtArgc, argv);
        fonts::loadBundledFonts(fonts::bundledFontFolders());
        return fonts::bundledFamily(msx::CharacterSet::Japanese);
    };
    QImage thumbnail = thumb::makeThumbnail(request->input, request->size, programFont);
    if (thumbnail.isNull())
        return fail(request->input, "not an MSX picture or program");
    // The resolution the PNG gives is the offscreen screen's 96 dots per
    // inch, with or without the application, which would take 100.
    thumbnail.setDotsPerMeterX(3780);
    thumbnail.setDotsPerMeterY(3780);

    // Qt would load every image plugin installed only to ask whether it
    // writes PNG in place of Qt's own writer; none is wanted here, and
    // the thumbnail stays the same whatever is installed.
    QCoreApplication::setLibraryPaths({});
    // Made whole in memory first, so that OUTPUT is only opened for a
    // thumbnail that is ready.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "png").write(thumbnail) || !writeInPlace(request->output, png))
        return fail(request->output, "cannot be written");
    return 0;
}
