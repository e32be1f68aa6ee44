#include "convert/ConvertCli.h"

#include "common/Errors.h"
#include "image/BsaveConverter.h"
#include "image/ScreenMode.h"

#include <memory>
#include <string>

namespace quillet::cli {

namespace {
// What the viewer's stored setting starts as.
constexpr int DefaultScreenMode = 5;
} // namespace

void writeBmpImage(const Options& options, ByteSource& afterTypeByte, ByteSink& out)
{
    // Without --screen the name decides, as with automatic detection on.
    const int mode = options.screen ? *options.screen
                                    : selectScreenMode(DefaultScreenMode, true, options.input).mode;
    if (!screenModeLayout(mode))
        throw QuilletError(ErrorKind::NoScreenLayout, "SCREEN " + std::to_string(mode));
    auto converter = std::make_unique<BsaveConverter>();
    converter->convert(afterTypeByte, mode, out);
}

} // namespace quillet::cli
