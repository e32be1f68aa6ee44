// SPDX-License-Identifier: MIT
#pragma once
// The one road from a file name to a shown document. The name goes through
// the core's door (document/Open.h): it may be a member path, whose member
// is read from its containers and goes on as a file would. A disk image,
// cassette image or archive, told by its content, is shown as its list of
// members. Otherwise the kind of the file decides: a listing is converted to
// its ASCII listing and then to the RTF the view loads, a picture goes the
// core's picture road (document/Picture.h) to its BMP.
//
// Every load is all or nothing for what the user sees and saves: the
// listing is converted into a fresh temporary file that replaces
// AsciiTempPath only once the view shows it, and the picture is written
// into a fresh file that the view reads first, then replaces the picture
// file, and only then is shown. A failed load therefore leaves the views,
// the files their saves copy and the paths a reload opens exactly as they
// were. What a load records before it reads the file (the open dialog's
// file, the recent-documents entry, "Last Open Dir" and "Last Open Filter
// Index") stays recorded.

#include "app/DocumentState.h"
#include "app/ListingRoles.h"
#include "app/RecentDocuments.h"
#include "app/SettingsOwner.h"
#include "app/TempFiles.h"
#include "common/ByteStream.h"
#include "common/QuilletUnitGrobal.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "image/BsaveConverter.h"
#include "render/MsxCharset.h"

#include <QString>

#include <memory>

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::app {

// Off: a debug build would show the path of every opened file.
inline constexpr bool DebugMode = false;

// A listing ready to be shown.
struct ListingFiles {
    QString rtfPath;                // the RTF document the view loads
    QString asciiPath;              // the ASCII listing it was made from
    std::int64_t lineCount;         // for status panel 3
    int mappedCodeFor0xAD;          // where font 2 holds the small "yu"
    msx::CharacterSet characterSet; // the glyphs the bytes stand for
    // Of each character shown, from the same pass as the listing; the view
    // may take them over rather than copy them.
    mutable ShownRoles roles;
};

// What loading needs of the main window.
class LoaderHost {
public:
    virtual ~LoaderHost() = default;
    virtual void showDebugMessage(const QString& text) = 0;
    // The open dialog starts at this file next time.
    virtual void rememberOpenedFile(const QString& path) = 0;
    virtual int openDialogFilterIndex() const = 0;
    // Loads the RTF into the view, shows the line count and formats the
    // view. Throws QuilletError, leaving the view as it was.
    virtual void showListing(const ListingFiles& listing) = 0;
    // Reads the BMP picture in the file without showing it yet. Throws
    // QuilletError, leaving the view as it was.
    virtual void preparePicture(const QString& bmpPath) = 0;
    // Shows the picture read last; cannot fail.
    virtual void showPreparedPicture() = 0;
    // Lists the members of the container at `path`; cannot fail.
    virtual void showContainer(const QString& path, const Container& container) = 0;
    // Brings a page to the front without the page-change handling.
    virtual void showPage(int index) = 0;
    // A load succeeded: title, save commands and page handling, and the
    // status text (status::Opened, or what the user should know of it),
    // followed by what a picture was shown without.
    virtual void documentLoaded(const QString& path, std::string_view status,
                                const std::vector<LeftOutCompanion>& leftOut) = 0;
    // A load failed and changed nothing: why, for the status bar.
    virtual void loadFailed(const QString& path, const std::exception& error) = 0;
};

class DocumentLoader {
public:
    DocumentLoader(SettingsOwner& settings, DocumentState& state, TempFiles& temps, RecentDocuments recent,
                   LoaderHost& host);

    // The user's choice of a file: loadDocument with reload off.
    bool openDocument(const QString& path);
    // Rebuilds with the current settings when `reload` is on, keeping the
    // page shown. Never throws: a failure ends the load, changing nothing
    // shown, and the result says whether it succeeded.
    bool loadDocument(const QString& path, bool reload);

    // Why the last load failed; empty after a load that succeeded.
    const QString& lastError() const { return lastError_; }

private:
    void load(const QString& path, bool reload);
    // The status text of the shown member list.
    std::string_view showContainer(Opened& opened, const QString& path);
    // The status text of the loaded listing.
    std::string_view loadListing(Opened& opened, const QString& path, bool reload);
    // The status text of the loaded picture. A file of its own has its
    // palette file or other page beside it; a member has none. Those that
    // cannot be used go to `leftOut`. A mode or palette the user picked for
    // this picture (DocumentState::pictureChoice) wins over the settings.
    std::string_view loadPicture(Opened& opened, const QString& path, bool reload,
                                 std::vector<LeftOutCompanion>& leftOut);

    const Settings& settings_;
    SettingsOwner& settingsOwner_;
    DocumentState& state_;
    TempFiles& temps_;
    RecentDocuments recent_;
    LoaderHost& host_;
    BsaveConverter converter_;
    QString lastError_;
};

} // namespace quillet::app
