// SPDX-License-Identifier: MIT
#include "convert/ConvertCli.h"

#include "render/RtfListing.h"

namespace quillet::cli {

// What the viewer writes to its temporary file with the built-in settings,
// or with Kanji mode as the settings dialog confirms it.
RtfListingOptions rtfListingOptions(const Options& options)
{
    Settings settings;
    if (options.kanji) {
        settings.isAnkMode = false;
        settings.fontCharset = 128;
    }
    return RtfListingOptions::fromSettings(settings);
}

void writeRtfListing(const Options& options, std::string_view listing, ByteSink& out)
{
    MemorySource source(listing);
    quillet::writeRtfListing(source, out, rtfListingOptions(options));
}

} // namespace quillet::cli
