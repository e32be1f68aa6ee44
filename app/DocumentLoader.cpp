#include "app/DocumentLoader.h"

#include "app/SettingsTable.h"
#include "common/Errors.h"
#include "decoder/ListingConverter.h"
#include "image/ScreenMode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <exception>

namespace quillet::app {

namespace {

constexpr std::uint8_t TokenizedMark = 0xFF;
constexpr std::uint8_t BsaveMark = 0xFE;

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
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

DocumentKind documentKindOf(bool hasFirstByte, std::uint8_t firstByte)
{
    if (hasFirstByte && firstByte == TokenizedMark)
        return DocumentKind::TokenizedBasic;
    if (hasFirstByte && firstByte == BsaveMark)
        return DocumentKind::BsaveImage;
    return DocumentKind::AsciiText;
}

QString mimeTypeOf(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::TokenizedBasic: return QStringLiteral("application/x-msx-basic");
    case DocumentKind::BsaveImage: return QStringLiteral("image/x-msx-bsave");
    case DocumentKind::AsciiText: break;
    }
    return QStringLiteral("text/plain");
}

DocumentLoader::DocumentLoader(Settings& settings, DocumentState& state, TempFiles& temps, std::string storePath,
                               RecentDocuments recent, LoaderHost& host)
    : settings_(settings), state_(state), temps_(temps), storePath_(std::move(storePath)), recent_(std::move(recent)),
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
    }
    return false;
}

void DocumentLoader::load(const QString& path, bool reload)
{
    if (DebugMode)
        host_.showDebugMessage(QStringLiteral("initialOpenFile: ") + path);
    host_.rememberOpenedFile(path);

    FilePtr input = openForReading(localPath(path));
    FileSource source(input.get());
    std::uint8_t first = 0;
    const bool hasFirst = source.next(first);
    if (source.failed())
        throw QuilletError(ErrorKind::ReadFailed, localPath(path));
    const DocumentKind kind = documentKindOf(hasFirst, first);

    recent_.add(QFileInfo(path).absoluteFilePath(), mimeTypeOf(kind));
    QString dir = QFileInfo(path).absolutePath();
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    settings_.lastOpenDir = dir.toStdString();
    settings_.lastOpenFilterIndex = host_.openDialogFilterIndex();
    saveSettings(storePath_, settings_, {setting::LastOpenDir, setting::LastOpenFilterIndex});

    if (kind == DocumentKind::BsaveImage) {
        loadPicture(input, source, path, reload);
        state_.imageLoaded = true;
    } else {
        loadListing(input, source, kind, hasFirst ? &first : nullptr, path, reload);
        state_.listingLoaded = true;
    }
    host_.documentLoaded(path);
}

void DocumentLoader::loadListing(FilePtr& input, ByteSource& source, DocumentKind kind, const std::uint8_t* firstByte,
                                 const QString& path, bool reload)
{
    FreshFile listing(temps_.createFreshOutput());
    if (kind == DocumentKind::TokenizedBasic) {
        convertTokenizedBasic(source, listing.sink(), ListingOptions{settings_.isViewOverLine65530});
    } else {
        // The file as it is, its first byte included.
        if (firstByte)
            listing.sink().put(*firstByte);
        std::uint8_t byte;
        while (source.next(byte))
            listing.sink().put(byte);
        if (source.failed())
            throw QuilletError(ErrorKind::ReadFailed, localPath(path));
    }
    listing.close();
    input.reset();

    FilePtr built = openForReading(listing.path());
    FileSource builtSource(built.get());
    host_.showListing(builtSource);
    temps_.adoptAsciiTempPath(listing.release());
    state_.listingSourcePath = localPath(path);
    if (!reload)
        host_.showPage(BasicPageIndex);
}

void DocumentLoader::loadPicture(FilePtr& input, ByteSource& source, const QString& path, bool reload)
{
    const ModeSelection selection =
        selectScreenMode(settings_.screenMode, settings_.isAutoDetectScreenMode, localPath(path));
    settings_.screenMode = selection.mode;
    if (selection.indicate)
        host_.indicateScreenMode(selection.mode);
    if (!screenModeLayout(selection.mode))
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(selection.mode));

    const std::string picturePath = temps_.bmpPicturePath();
    if (picturePath.empty())
        throw QuilletError(ErrorKind::CreateFailed, "no picture file name");
    FreshFile picture(temps_.createFreshOutput());
    converter_.convert(source, selection.mode, picture.sink());
    picture.close();
    input.reset();
    host_.showPicture(QFile::decodeName(QByteArray::fromStdString(picture.path())));
    // rename() replaces whatever has the picture's name, a planted link
    // included, instead of writing through it.
    if (std::rename(picture.path().c_str(), picturePath.c_str()) != 0)
        throw QuilletError(ErrorKind::WriteFailed, picturePath);
    picture.release();
    state_.imageSourcePath = localPath(path);
    if (!reload)
        host_.showPage(CgPageIndex);
}

} // namespace quillet::app
