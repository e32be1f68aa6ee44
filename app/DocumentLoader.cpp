#include "app/DocumentLoader.h"

#include "app/DocumentPath.h"
#include "app/LocalPath.h"
#include "app/SettingsTable.h"
#include "common/Errors.h"
#include "container/Container.h"
#include "image/ScreenMode.h"
#include "render/RtfListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>

namespace quillet::app {

namespace {

std::span<const std::uint8_t> byteSpan(const std::string& bytes, std::size_t limit)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), std::min(bytes.size(), limit)};
}

// Deletes a fresh temporary file unless the load took it over.
class FreshFile {
public:
    explicit FreshFile(FreshOutput output) : output_(std::move(output)) {}
    ~FreshFile()
    {
        if (!released_) {
            output_.sink.reset();
            TempFiles::discardTempFile(output_.path);
        }
    }
    FreshFile(const FreshFile&) = delete;
    FreshFile& operator=(const FreshFile&) = delete;

    ByteSink& sink() { return *output_.sink; }
    void close() { output_.sink->close(); }
    const std::string& path() const { return output_.path; }
    std::string release()
    {
        released_ = true;
        return output_.path;
    }

private:
    FreshOutput output_;
    bool released_ = false;
};

} // namespace

DocumentLoader::DocumentLoader(SettingsOwner& settings, DocumentState& state, TempFiles& temps, RecentDocuments recent,
                               LoaderHost& host)
    : settings_(settings.values()), settingsOwner_(settings), state_(state), temps_(temps), recent_(std::move(recent)),
      host_(host)
{}

bool DocumentLoader::openDocument(const QString& path)
{
    return loadDocument(path, false);
}

bool DocumentLoader::loadDocument(const QString& path, bool reload)
{
    lastError_.clear();
    try {
        load(path, reload);
        return true;
    } catch (const std::exception& error) {
        lastError_ = QString::fromUtf8(error.what());
        host_.loadFailed(path, error);
    }
    return false;
}

void DocumentLoader::load(const QString& path, bool reload)
{
    if (DebugMode)
        host_.showDebugMessage(QStringLiteral("initialOpenFile: ") + path);
    const DocumentPath where = splitDocumentPath(localPath(path));
    const QString file = localToQString(where.file);
    host_.rememberOpenedFile(file);

    const TempFiles::FolderCheck folder = temps_.ensureTempNameDir();
    FilePtr input = openRegularFileForReading(where.file);
    // A member is had whole, from the containers around it; a file on its
    // own is streamed, after a look at its start for a container.
    std::optional<std::string> member;
    std::string head;
    std::uint64_t size = 0;
    std::string_view mimeType;
    if (!where.members.empty()) {
        std::string whole = readContainerFile(input.get(), where.file);
        input.reset();
        if (const auto outer = containerKindOf(byteSpan(whole, ContainerHeadSize), whole.size(), where.file))
            mimeType = containerKindInfo(*outer).mimeType;
        member = readMemberPath(std::move(whole), where.file, where.members);
        head = member->substr(0, ContainerHeadSize);
        size = member->size();
    } else {
        FileHead start = readFileHead(input.get(), where.file);
        head = std::move(start.bytes);
        size = start.size;
    }
    const auto container = containerKindOf(byteSpan(head, ContainerHeadSize), size, localPath(path));

    std::optional<MemorySource> memory;
    std::optional<FileSource> streamed;
    ByteSource* source = nullptr;
    if (member) {
        source = &memory.emplace(*member);
    } else if (!container) {
        source = &streamed.emplace(input.get(), head);
    }
    std::optional<DocumentHead> document;
    if (container) {
        if (mimeType.empty())
            mimeType = containerKindInfo(*container).mimeType;
    } else {
        document = readDocumentHead(*source, localPath(path));
        if (mimeType.empty())
            mimeType = documentKindInfo(document->kind).mimeType;
    }

    // The desktop's list takes files it can open again: a member's is the
    // file on disk that holds it.
    recent_.add(QFileInfo(file).absoluteFilePath(), QString::fromUtf8(mimeType.data(), mimeType.size()));
    QString dir = QFileInfo(file).absolutePath();
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    Settings opened = settings_;
    opened.lastOpenDir = dir.toStdString();
    opened.lastOpenFilterIndex = host_.openDialogFilterIndex();
    settingsOwner_.update(opened, {setting::LastOpenDir, setting::LastOpenFilterIndex});

    std::string_view shownStatus = status::Opened;
    if (container) {
        std::string bytes = member ? std::move(*member) : head + readContainerFile(input.get(), where.file);
        input.reset();
        shownStatus = showContainer(std::move(bytes), path);
    } else {
        switch (documentKindInfo(document->kind).role) {
        case DocumentRole::Picture:
            shownStatus =
                loadPicture(input, *source, *document, bsaveShapeOf(head, size), where.members.empty(), path, reload);
            state_.imageLoaded = true;
            break;
        case DocumentRole::Listing:
            shownStatus = loadListing(input, *source, *document, path, reload);
            state_.listingLoaded = true;
            break;
        }
    }
    // What happened to the temporary folder matters more than the usual text.
    if (folder == TempFiles::FolderCheck::MadeAgain)
        shownStatus = status::TempFolderMadeAgain;
    else if (folder == TempFiles::FolderCheck::SystemFolder)
        shownStatus = status::TempFolderFellBack;
    host_.documentLoaded(path, shownStatus);
}

std::string_view DocumentLoader::showContainer(std::string bytes, const QString& path)
{
    const std::unique_ptr<Container> container = openContainer(std::move(bytes), localPath(path));
    host_.showContainer(path, *container);
    state_.containerPath = localPath(path);
    const auto& members = container->members();
    const bool damaged = !container->problems().empty()
                         || std::any_of(members.begin(), members.end(),
                                        [](const MemberInfo& info) { return info.status != MemberStatus::Ok; });
    return damaged ? status::ContainerDamaged : status::ContainerOpened;
}

std::string_view DocumentLoader::loadListing(FilePtr& input, ByteSource& source, const DocumentHead& head,
                                             const QString& path, bool reload)
{
    FreshFile listing(temps_.createFreshOutput());
    const ProgramEnd end = writeListing(head, source, listing.sink(),
                                        ListingOptions{settings_.isViewOverLine65530, settings_.isViewLineAddress});
    listing.close();
    input.reset();

    const RtfListingOptions options = RtfListingOptions::fromSettings(settings_);
    std::int64_t lines = 0;
    {
        FilePtr built = openForReading(listing.path());
        FileSource builtSource(built.get());
        const std::unique_ptr<FileSink> rtf = temps_.createRtfOutput();
        if (!rtf)
            throw QuilletError(ErrorKind::CreateFailed, temps_.rtfTempPath());
        lines = writeRtfListing(builtSource, *rtf, options);
        rtf->close();
        if (builtSource.failed())
            throw QuilletError(ErrorKind::ReadFailed, listing.path());
    }
    host_.showListing({localToQString(temps_.rtfTempPath()), localToQString(listing.path()), lines,
                       mappedCodeFor0xAD(options), characterSetSetting(settings_)});
    temps_.adoptAsciiTempPath(listing.release());
    state_.listingSourcePath = localPath(path);
    if (!reload)
        host_.showPage(BasicPageIndex);
    return end == ProgramEnd::Truncated ? status::OpenedTruncated : status::Opened;
}

std::string_view DocumentLoader::loadPicture(FilePtr& input, ByteSource& source, const DocumentHead& head,
                                             const BsaveShape& shape, bool onDisk, const QString& path, bool reload)
{
    const ModeSelection selection =
        selectScreenMode(settings_.screenMode, settings_.isAutoDetectScreenMode, localPath(path), shape);
    // Stored even when it is the mode held: another instance may have stored
    // another since.
    if (selection.indicate)
        settingsOwner_.set(&Settings::screenMode, selection.mode);
    if (!screenModeLayout(selection.mode))
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(selection.mode));

    // Something put at the picture's name by someone else is left there;
    // the picture takes a new name rather than failing from now on.
    if (!temps_.bmpTempPath().empty() && !temps_.pictureNameIsUsable())
        temps_.renewPictureName();
    const std::string picturePath = temps_.bmpPicturePath();
    if (picturePath.empty())
        throw QuilletError(ErrorKind::CreateFailed, "no picture file name");
    FreshFile picture(temps_.createFreshOutput());
    PictureOptions options;
    options.sprites.draw = settings_.isDrawSprites;
    // A pair's other page and a paint program's palette file lie beside a
    // file on disk; one that cannot be read is left out, as a member's are.
    PictureCompanions companions;
    if (onDisk) {
        companions = findCompanions(localPath(path), [](const std::string& side, std::size_t limit) {
            try {
                return readFileOnDisk(side, limit);
            } catch (const QuilletError&) {
                return std::optional<std::string>();
            }
        });
    }
    const PictureData data =
        writePicture(head, source, selection.mode, converter_, picture.sink(), options, companions);
    picture.close();
    input.reset();
    // The view reads the picture before the file takes the picture's name,
    // and shows it only after: a failure at either step leaves the view and
    // the file that the BMP save copies alike.
    host_.preparePicture(localToQString(picture.path()));
    // rename() replaces whatever has the picture's name, a planted link
    // included, instead of writing through it.
    if (std::rename(picture.path().c_str(), picturePath.c_str()) != 0)
        throw QuilletError(errorKindOfErrno(errno, ErrorKind::WriteFailed), picturePath);
    picture.release();
    host_.showPreparedPicture();
    state_.imageSourcePath = localPath(path);
    if (!reload)
        host_.showPage(CgPageIndex);
    return data == PictureData::HeaderOnly ? status::OpenedHeaderOnly : status::Opened;
}

} // namespace quillet::app
