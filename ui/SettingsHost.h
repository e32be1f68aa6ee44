#pragma once
// What the settings dialog needs of the main window, so that the dialog
// does not reach into the window's own members.

#include "common/QuilletUnitGrobal.h"

#include <QColor>
#include <QString>

#include <array>
#include <span>
#include <string>
#include <string_view>

// Holds one font name for the listing, never shown to the user.
struct FontHolder {
    QString name;
    int charset = 2;
};

// The main window's font holders and colour choosers: filled at program
// start, changed by the settings dialog, read when a listing is shown.
struct ListingChoices {
    std::array<FontHolder, 4> FontDialogs; // ANK, graphic, Kanji, 0xAD map
    QColor ColorDialog1;                   // background colour
    QColor ColorDialog2;                   // text colour
};

class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    virtual quillet::Settings& settings() = 0;
    virtual ListingChoices& listingChoices() = 0;
    // The colours the listing is shown in now.
    virtual QColor listingTextColor() const = 0;
    virtual QColor listingBackgroundColor() const = 0;
    // The listing takes the chosen colours, the size and word wrap at once.
    virtual void applyListingLook() = 0;
    virtual void indicateAnkMode(bool isAnkMode) = 0;
    virtual void indicateScreenMode(int mode) = 0;
    virtual void enableScreenMode(bool enabled) = 0;
    // The folder new temporary files are made in.
    virtual std::string tempNameDir() const = 0;
    virtual void setTempNameDir(const std::string& dir) = 0;
    // Stores the named values of settings() as one update.
    virtual void storeSettings(std::span<const std::string_view> names) = 0;
    // Loads the shown listing, then the shown picture, again.
    virtual void reloadShownDocuments() = 0;
    virtual void showHelpTopic(int context) = 0;
};
