// SPDX-License-Identifier: MIT
#include "app/DocumentLoader.h"

#include "app/LocalPath.h"
#include "app/SettingsTable.h"
#include "app/ViewerFiles.h"
#include "common/Errors.h"
#include "container/Container.h"
#include "document/ListedLines.h"
#include "document/Picture.h"
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

// Lines with their CR LF, gathered into large writes.
class LineWriter {
public:
    explicit LineWriter(ByteSink& out) : out_(out) { block_.reserve(Size + 1024); }
    void line(std::string_view text)
    {
        block_.append(text);
        block_.append("\r\n");
        if (block_.size() >= Size)
            flush();
    }
    void flush()
    {
        if (!block_.empty())
            out_.write(block_.data(), block_.size());
        block_.clear();
    }

private:
    static constexpr std::size_t Size = 64 * 1024;
    ByteSink& out_;
    std::string block_;
};

// The ASCII listing, byte for byte as writeListing() writes it, and the
// roles of its lines, in one pass over the document.
ProgramEnd writeListingWithRoles(Opened& opened, ByteSink& out, const ListingOptions& options, ShownRolesBuilder& roles)
{
    const DocumentHead& head = opened.head();
    const auto each = [&roles](const ListedLine& line) { roles.addLine(line.text, line.roles, line.number); };
    if (head.kind == DocumentKind::AsciiText) {
        // The text as it is; its lines are only read.
        if (head.firstByte)
            out.put(*head.firstByte);
        CopyingSource copying(opened.rest(), out);
        return forEachListedLine(head, copying, options, each);
    }
    LineWriter lines(out);
    const ProgramEnd end = forEachListedLine(head, opened.rest(), options, [&](const ListedLine& line) {
        lines.line(line.text);
        each(line);
    });
    lines.flush();
    return end;
}

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
    const std::string name = localPath(path);
    MemberPath where = viewerPath(name);
    const QString file = localToQString(where.file);
    host_.rememberOpenedFile(file);

    const TempFiles::FolderCheck folder = temps_.ensureTempNameDir();
    Opened opened = openName(std::move(where), name, viewerFiles());
    // A reload keeps it: the settings dialog reloads the listing and the
    // picture in turn.
    if (!reload && state_.pictureChoice.path != name)
        state_.pictureChoice = PictureChoice{};

    // The desktop's list takes files it can open again: a member's is the
    // file on disk that holds it.
    recent_.add(QFileInfo(file).absoluteFilePath(),
                QString::fromUtf8(opened.mimeType().data(), static_cast<qsizetype>(opened.mimeType().size())));
    QString dir = QFileInfo(file).absolutePath();
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    Settings remembered = settings_;
    remembered.lastOpenDir = dir.toStdString();
    remembered.lastOpenFilterIndex = host_.openDialogFilterIndex();
    settingsOwner_.update(remembered, {setting::LastOpenDir, setting::LastOpenFilterIndex});

    std::string_view shownStatus = status::Opened;
    std::vector<LeftOutCompanion> leftOut;
    if (opened.isContainer()) {
        shownStatus = showContainer(opened, path);
    } else {
        switch (opened.role()) {
        case DocumentRole::Picture:
            shownStatus = loadPicture(opened, path, reload, leftOut);
            state_.imageLoaded = true;
            break;
        case DocumentRole::Bytes:
        case DocumentRole::Listing:
            shownStatus = loadListing(opened, path, reload);
            state_.listingLoaded = true;
            break;
        }
    }
    // What happened to the temporary folder matters more than the usual text.
    if (folder == TempFiles::FolderCheck::MadeAgain)
        shownStatus = status::TempFolderMadeAgain;
    else if (folder == TempFiles::FolderCheck::SystemFolder)
        shownStatus = status::TempFolderFellBack;
    host_.documentLoaded(path, shownStatus, leftOut);
}

std::string_view DocumentLoader::showContainer(Opened& opened, const QString& path)
{
    const std::unique_ptr<Container> container = opened.openContainer();
    host_.showContainer(path, *container);
    state_.containerPath = localPath(path);
    const auto& members = container->members();
    const bool damaged = !container->problems().empty()
                         || std::any_of(members.begin(), members.end(),
                                        [](const MemberInfo& info) { return info.status != MemberStatus::Ok; });
    return damaged ? status::ContainerDamaged : status::ContainerOpened;
}

std::string_view DocumentLoader::loadListing(Opened& opened, const QString& path, bool reload)
{
    FreshFile listing(temps_.createFreshOutput());
    ShownRolesBuilder roles(settings_.isAnkMode);
    // A hex view has no roles: colours and links are a program's.
    const bool bytes = opened.role() == DocumentRole::Bytes;
    // A program's listing is about one and a half times its size; room
    // reserved is not memory used until it is filled.
    if (const auto inMemory = opened.rest().restInMemory(); !bytes && inMemory)
        roles.reserve(inMemory->size() * 2);
    else if (struct stat status{}; !bytes && opened.stream() && fstat(fileno(opened.stream()), &status) == 0)
        roles.reserve(static_cast<std::size_t>(std::max<off_t>(0, status.st_size)) * 2);
    const ListingOptions listingOptions{settings_.isViewOverLine65530, settings_.isViewLineAddress};
    const ProgramEnd end = bytes ? writeListing(opened.head(), opened.rest(), listing.sink(), listingOptions)
                                 : writeListingWithRoles(opened, listing.sink(), listingOptions, roles);
    listing.close();

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
                       mappedCodeFor0xAD(options), characterSetSetting(settings_), roles.take()});
    temps_.adoptAsciiTempPath(listing.release());
    state_.listingSourcePath = localPath(path);
    if (!reload)
        host_.showPage(BasicPageIndex);
    if (bytes)
        return opened.head().kind == DocumentKind::BsaveBinary ? status::OpenedBsaveBinary : status::OpenedBinary;
    return end == ProgramEnd::Truncated ? status::OpenedTruncated : status::Opened;
}

std::string_view DocumentLoader::loadPicture(Opened& opened, const QString& path, bool reload,
                                             std::vector<LeftOutCompanion>& leftOut)
{
    const PictureFile file(opened);
    // A mode the user picked for this picture wins over detection.
    const PictureChoice& choice = state_.pictureChoice;
    const ModeSelection selection =
        file.chooseMode(choice.mode >= 0 ? ModePolicy{choice.mode, false}
                                         : ModePolicy{settings_.screenMode, settings_.isAutoDetectScreenMode});
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
    // A pair's other page and a paint program's palette file beside a file
    // on disk; one that cannot be used is left out, and the user told.
    PictureRequest request;
    request.options.sprites.draw = settings_.isDrawSprites;
    request.options.sprites.size = std::clamp(settings_.spriteSize, 0, 3);
    request.options.msx2Colours = settings_.isMsx2Colors;
    request.options.paletteIndex = choice.paletteIndex;
    PictureResult result = file.decode(selection.mode, request, converter_);
    writeBmp(result.picture, picture.sink());
    const bool headerOnly = PictureFile::showedNothing(converter_);
    picture.close();
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
    leftOut = std::move(result.leftOut);
    if (!reload)
        host_.showPage(CgPageIndex);
    return headerOnly ? status::OpenedHeaderOnly : status::Opened;
}

} // namespace quillet::app
