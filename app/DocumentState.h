// SPDX-License-Identifier: MIT
#pragma once
// Which documents are shown. The loader sets a kind's path and flag after a
// successful load; Clear resets the kind of the page shown. The listing and
// the picture are independent: changing one never touches the other.

#include <string>

namespace quillet::app {

// What the user chose from the picture's menu for one picture: held while
// that picture is opened again, dropped when another file opens.
struct PictureChoice {
    std::string path;     // the picture it was made for
    int mode = -1;        // a screen mode forced over detection; -1 none
    int paletteIndex = 0; // the palette of a palette file with several
};

struct DocumentState {
    std::string listingSourcePath; // empty: no listing shown
    std::string imageSourcePath;   // empty: no picture shown
    std::string containerPath;     // empty: no file list shown
    bool listingLoaded = false;    // enables the ASCII and RTF saves
    bool imageLoaded = false;      // enables the BMP save
    PictureChoice pictureChoice;

    void clearListing()
    {
        listingLoaded = false;
        listingSourcePath.clear();
    }
    void clearImage()
    {
        imageLoaded = false;
        imageSourcePath.clear();
    }
};

} // namespace quillet::app
