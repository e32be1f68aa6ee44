#include "convert/ConvertCli.h"

#include "image/BsaveConverter.h"
#include "image/ScreenMode.h"

#include <memory>

namespace quillet::cli {

namespace {
// What the viewer's stored setting starts as.
constexpr int DefaultScreenMode = 5;
} // namespace

void writeBmpImage(const Options& options, const DocumentHead& head, ByteSource& rest, ByteSink& out)
{
    // Without --screen the name decides, as with automatic detection on.
    const int mode = options.screen ? *options.screen : selectScreenMode(DefaultScreenMode, true, options.input).mode;
    // A mode without a layout throws before anything reaches `out`.
    auto converter = std::make_unique<BsaveConverter>();
    writePicture(head, rest, mode, *converter, out);
}

} // namespace quillet::cli
