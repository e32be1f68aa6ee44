// SPDX-License-Identifier: MIT
// Random member names made into the file names --extract-all writes: the
// raw name made safe, and the readable path a container lists split into
// its folders, each step made safe. Every name must stay in its folder and
// be one file systems take: never empty, no "/" or NUL, not "." or "..",
// valid UTF-8, not ending in a dot or blank (some systems drop those and
// merge names), with room for an extension and a "~N" within 255 bytes;
// and a safe name is safe as it is.

#include "common/Utf8.h"
#include "container/Container.h"
#include "container/MemberNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void checkSafe(std::string_view name)
{
    const std::string safe = quillet::safeFileName(name);
    if (safe.empty() || safe == "." || safe == ".." || safe.find('/') != std::string::npos
        || safe.find('\0') != std::string::npos || !quillet::isValidUtf8(safe) || safe.size() > 240
        || safe.back() == '.' || safe.back() == ' ')
        std::abort();
    if (quillet::safeFileName(safe) != safe)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    checkSafe(raw);

    const std::string readable = quillet::readableMemberPath(raw);
    if (!quillet::isValidUtf8(readable) || readable.find_first_of(std::string_view(":\\\0\r\n", 5)) != std::string::npos
        || quillet::readableMemberPath(readable) != readable)
        std::abort();
    for (std::size_t start = 0; start <= readable.size();) {
        std::size_t end = readable.find('/', start);
        if (end == std::string::npos)
            end = readable.size();
        checkSafe(std::string_view(readable).substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
