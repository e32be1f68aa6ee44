// SPDX-License-Identifier: MIT
// Random archives through the libarchive reader. The last byte picks the
// format the bytes before it are read as, so every format's path is tried
// whatever the magic says.

#include "FuzzContainer.h"
#include "container/Readers.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quillet::ContainerKind;
    static constexpr ContainerKind kinds[] = {ContainerKind::Zip, ContainerKind::Lzh, ContainerKind::SevenZip,
                                              ContainerKind::Gzip, ContainerKind::Tar};
    if (size == 0)
        return 0;
    const ContainerKind kind = kinds[data[size - 1] % std::size(kinds)];
    quillet::fuzz::checkContainer([&] {
        return quillet::openArchive(std::string(reinterpret_cast<const char*>(data), size - 1), kind, "fuzz.gz");
    });
    return 0;
}
