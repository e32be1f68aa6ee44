#include "convert/ConvertCli.h"

namespace quillet::cli {

void writeBmpImage(const Options&, ByteSource&, ByteSink&)
{
    throw Unsupported("BSAVE images are not supported in this version");
}

} // namespace quillet::cli
