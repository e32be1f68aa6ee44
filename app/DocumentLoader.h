#pragma once
// The one road from a file name to a shown document. The first byte of the
// file decides the kind: 0xFF a tokenized program, 0xFE a BSAVE screen
// image, anything else (an empty file too) a plain-text listing.
//
// Every load is all or nothing for what the user sees and saves: the
// listing is converted into a fresh temporary file that replaces
// AsciiTempPath only once the view shows it, and the picture is written
// into a fresh file that replaces the picture file only once the view shows
// it. A failed load therefore leaves the views, the files their saves copy
// and the paths a reload opens exactly as they were. What a load records
// before it reads the file (the open dialog's file, the recent-documents
// entry, "Last Open Dir" and "Last Open Filter Index") stays recorded.

#include "app/DocumentState.h"
#include "app/RecentDocuments.h"
#include "app/TempFiles.h"
#include "common/ByteStream.h"
#include "common/QuilletUnitGrobal.h"
#include "image/BsaveConverter.h"

#include <QString>

#include <string>

namespace quillet::app {

enum class DocumentKind { TokenizedBasic, BsaveImage, AsciiText };

DocumentKind documentKindOf(bool hasFirstByte, std::uint8_t firstByte);
// The MIME type the desktop knows the kind by.
QString mimeTypeOf(DocumentKind kind);

// Off: a debug build would show the path of every opened file.
inline constexpr bool DebugMode = false;

// What loading needs of the main window.
class LoaderHost {
public:
    virtual ~LoaderHost() = default;
    virtual void showDebugMessage(const QString& text) = 0;
    // The open dialog starts at this file next time.
    virtual void rememberOpenedFile(const QString& path) = 0;
    virtual int openDialogFilterIndex() const = 0;
    // Check marks, status panel 2 and the stored "Screen Mode".
    virtual void indicateScreenMode(int mode) = 0;
    // Builds the RTF of the listing, shows it with its line count, and
    // formats the view. Throws QuilletError, leaving the view as it was.
    virtual void showListing(ByteSource& listing) = 0;
    // Shows the BMP picture in the file. Throws QuilletError, leaving the
    // view as it was.
    virtual void showPicture(const QString& bmpPath) = 0;
    // Brings a page to the front without the page-change handling.
    virtual void showPage(int index) = 0;
    // A load succeeded: title, status, save commands and page handling.
    virtual void documentLoaded(const QString& path) = 0;
};

class DocumentLoader {
public:
    DocumentLoader(Settings& settings, DocumentState& state, TempFiles& temps, std::string storePath,
                   RecentDocuments recent, LoaderHost& host);

    // The user's choice of a file: loadDocument with reload off.
    bool openDocument(const QString& path);
    // Rebuilds with the current settings when `reload` is on, keeping the
    // page shown. Never throws: a failure ends the load silently and the
    // result says whether it succeeded.
    bool loadDocument(const QString& path, bool reload);

    // The reason the last load failed, for tests and debugging.
    const QString& lastError() const { return lastError_; }

private:
    void load(const QString& path, bool reload);
    void loadListing(FilePtr& input, ByteSource& source, DocumentKind kind, const std::uint8_t* firstByte,
                     const QString& path, bool reload);
    void loadPicture(FilePtr& input, ByteSource& source, const QString& path, bool reload);

    Settings& settings_;
    DocumentState& state_;
    TempFiles& temps_;
    std::string storePath_;
    RecentDocuments recent_;
    LoaderHost& host_;
    BsaveConverter converter_;
    QString lastError_;
};

} // namespace quillet::app
