#include "convert/ConvertCli.h"

namespace quillet::cli {

void writeRtfListing(const Options&, std::string_view, ByteSink&)
{
    throw Unsupported("RTF output is not available in this version");
}

} // namespace quillet::cli
