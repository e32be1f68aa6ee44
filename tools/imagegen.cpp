// SPDX-License-Identifier: MIT
// quillet-imagegen: writes the pictures the project makes itself.
//   quillet-imagegen samples DIR   sample.sc5 and sample.s12 into DIR
//   quillet-imagegen inputs DIR    the inputs of the golden tests into DIR
// The golden manifest itself is quillet-golden's.

#include "tools/PictureGen.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "quillet-imagegen: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: quillet-imagegen samples DIR | inputs DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace quillet::gen;
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (argc != 3)
        return usage();
    const std::filesystem::path dir = argv[2];
    if (command == "samples")
        return writeFile(dir / "sample.sc5", sampleScreen5()) && writeFile(dir / "sample.s12", sampleScreen12()) ? 0
                                                                                                                 : 1;
    if (command == "inputs") {
        for (const GoldenPicture& picture : goldenPictures()) {
            if (!writeFile(dir / picture.name, picture.file))
                return 1;
        }
        return 0;
    }
    return usage();
}
