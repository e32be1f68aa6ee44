// SPDX-License-Identifier: MIT
// Random cassette images through the tape reader: blocks of any length,
// file headers without their data, addresses that make no sense.

#include "FuzzContainer.h"
#include "container/Readers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillet::fuzz::checkContainer(
        [&] { return quillet::openCassetteImage(std::string(reinterpret_cast<const char*>(data), size)); });
    return 0;
}
