// SPDX-License-Identifier: MIT
#pragma once
// What the settings dialog needs of the main window, so that the dialog
// does not reach into the window's own members.

#include "app/SettingsOwner.h"

#include <QColor>
#include <QString>

#include <array>
#include <string>

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
    // The dialog shows its values and sets them on OK; the window shows
    // what is set as the owner tells it.
    virtual quillet::app::SettingsOwner& settingsOwner() = 0;
    virtual ListingChoices& listingChoices() = 0;
    // The colours the listing is shown in now.
    virtual QColor listingTextColor() const = 0;
    virtual QColor listingBackgroundColor() const = 0;
    // The folder new temporary files are made in.
    virtual std::string tempNameDir() const = 0;
    // Loads the shown listing, then the shown picture, again.
    virtual void reloadShownDocuments() = 0;
    virtual void showHelpTopic(int context) = 0;
};
