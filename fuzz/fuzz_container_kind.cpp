// SPDX-License-Identifier: MIT
// Random file starts through the content tests that tell containers from
// documents. The last byte picks the name the file goes by and how much
// longer than the bytes given the whole file is said to be. The name only
// settles what the content leaves open: a kind told without a name stays
// under any name, and a name can add no more than a disk image, or a blank
// tape for an empty file. Both ways
// in agree, a member's kind agrees, and a container is opened as the kind
// it was told to be.

#include "common/Errors.h"
#include "container/Container.h"
#include "document/Kinds.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillet;
    static const char* const names[] = {"GAMES.DSK", "games.di1", "tape.cas", "a.zip", "b.lzh", "c.7z", "d.gz", "e"};
    static constexpr std::uint64_t longer[] = {0, 0, 0, 0, 1, 512, 4096, 737280};
    if (size == 0)
        return 0;
    const std::uint8_t bits = data[size - 1];
    const std::string_view name = names[bits & 7];
    const std::string_view bytes(reinterpret_cast<const char*>(data), size - 1);
    const std::span<const std::uint8_t> head(data, std::min(size - 1, ContainerHeadSize));
    const std::uint64_t fileSize = bytes.size() + longer[(bits >> 3) & 7];

    const std::optional<ContainerKind> kind = containerKindOf(head, fileSize, name);
    if (containerKindOf(bytes.substr(0, ContainerHeadSize), fileSize, name) != kind)
        std::abort();
    const std::optional<ContainerKind> nameless = containerKindOf(head, fileSize, "");
    const bool blankTape = fileSize == 0 && kind == ContainerKind::CassetteImage;
    if (nameless ? kind != nameless : kind && kind != ContainerKind::DiskImage && !blankTape)
        std::abort();
    if (fileSize != bytes.size())
        return 0;

    if ((memberKindOf(bytes, name) == MemberKind::Container) != kind.has_value())
        std::abort();
    try {
        const std::unique_ptr<Container> container = openContainer(std::string(bytes), name);
        if (!kind || container->kind() != *kind)
            std::abort();
    } catch (const QuilletError& error) {
        if (error.kind() != (kind ? ErrorKind::DamagedContainer : ErrorKind::NotAContainer)
            && !(kind && error.kind() == ErrorKind::WorkLimitReached))
            std::abort();
    }
    return 0;
}
