// SPDX-License-Identifier: MIT
// Stands in for libFuzzer's main where there is no libFuzzer (gcc): runs
// every regular file of the folders it is given through the target once.
// The targets abort on a wrong outcome, so a bad input ends the run there;
// the file being replayed is named first so that the log says which.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        fs::directory_iterator dir(argv[i], error);
        if (error) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
        for (const fs::directory_entry& entry : dir) {
            if (entry.is_regular_file())
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());

    for (const fs::path& path : files) {
        std::printf("%s\n", path.string().c_str());
        std::fflush(stdout);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
            return 1;
        }
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        // A buffer of exactly the input's size, as libFuzzer passes it, so
        // that the sanitizers see a read past its end.
        const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.get());
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    std::printf("replayed %zu files\n", files.size());
    if (files.empty()) {
        std::fprintf(stderr, "no input to replay\n");
        return 1;
    }
    return 0;
}
