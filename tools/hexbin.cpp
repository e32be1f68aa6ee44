// SPDX-License-Identifier: MIT
// quillet-hexbin IN.hex OUT: writes the bytes of an annotated hex file.
// The project's binary samples are made with it from their .hex sources.

#include "common/AnnotatedHex.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillet-hexbin IN.hex OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quillet-hexbin: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), {});
    try {
        std::string bytes = quillet::bytesFromAnnotatedHex(text);
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "quillet-hexbin: cannot write %s\n", argv[2]);
            return 1;
        }
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "quillet-hexbin: %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
