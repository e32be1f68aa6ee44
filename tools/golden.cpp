// SPDX-License-Identifier: MIT
// quillet-golden SAMPLES_DIR: the golden manifest to standard output.
// scripts/write-golden.sh runs it to rewrite tests/data/golden.txt.

#include "tools/Golden.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillet-golden SAMPLES_DIR\n");
        return 2;
    }
    try {
        const std::string manifest = quillet::golden::manifest(quillet::golden::outputs(argv[1]));
        std::fwrite(manifest.data(), 1, manifest.size(), stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillet-golden: %s\n", error.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
