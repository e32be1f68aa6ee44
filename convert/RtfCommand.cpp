#include "convert/ConvertCli.h"

#include "render/RtfListing.h"

namespace quillet::cli {

// The RTF that the viewer writes to its temporary file for this listing
// with the built-in settings, or with Kanji mode as the settings dialog
// confirms it.
void writeRtfListing(const Options& options, std::string_view listing, ByteSink& out)
{
    Settings settings;
    if (options.kanji) {
        settings.isAnkMode = false;
        settings.fontCharset = 128;
    }
    MemorySource source(listing);
    quillet::writeRtfListing(source, out, RtfListingOptions::fromSettings(settings));
}

} // namespace quillet::cli
