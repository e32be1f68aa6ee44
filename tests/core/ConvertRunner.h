// SPDX-License-Identifier: MIT
#pragma once
// Runs quillet-convert in-process and keeps what it wrote.

#include "convert/ConvertCli.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillet::test {

struct ConvertResult {
    int status;
    std::string err;
    std::string out;
};

// What was written to `file`, which is closed.
inline std::string drainFile(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

inline ConvertResult runConvert(const std::vector<std::string>& args)
{
    std::FILE* err = std::tmpfile();
    std::FILE* out = std::tmpfile();
    const int status = cli::run(args, out, err);
    return {status, drainFile(err), drainFile(out)};
}

} // namespace quillet::test
