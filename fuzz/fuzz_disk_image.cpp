// SPDX-License-Identifier: MIT
// Random disk images through the FAT reader: boot sectors, FATs, folders
// and chains of any shape, read from memory and never outside it.

#include "FuzzContainer.h"
#include "container/Readers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillet::fuzz::checkContainer(
        [&] { return quillet::openDiskImage(std::string(reinterpret_cast<const char*>(data), size)); });
    return 0;
}
