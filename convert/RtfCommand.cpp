// SPDX-License-Identifier: MIT
#include "convert/ConvertCli.h"

#include "render/RtfListing.h"

namespace quillet::cli {

// What the viewer writes to its temporary file with the built-in settings,
// or with Kanji mode as the settings dialog confirms it; with colours, as
// the viewer colours the listing, the MSX scheme on its blue paper.
RtfListingOptions rtfListingOptions(const Options& options)
{
    Settings settings;
    if (options.kanji) {
        settings.isAnkMode = false;
        settings.fontCharset = 128;
    }
    RtfListingOptions rtf = RtfListingOptions::fromSettings(settings);
    if (options.colours) {
        const bool msxScreen = *options.colours == RoleScheme::MsxScreen;
        const std::uint32_t paper = msxScreen ? MsxScreenBackground : settings.backgroundColor;
        rtf.roleColours = roleColoursFor(*options.colours, msxScreen ? MsxScreenText : settings.fontColor, paper);
        if (msxScreen)
            rtf.paperColour = paper;
    }
    return rtf;
}

void writeRtfListing(const Options& options, std::string_view listing, ByteSink& out)
{
    MemorySource source(listing);
    quillet::writeRtfListing(source, out, rtfListingOptions(options));
}

} // namespace quillet::cli
