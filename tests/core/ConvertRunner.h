// SPDX-License-Identifier: MIT
#pragma once
// Runs quillet-convert in-process and keeps what it said on standard error.

#include "convert/ConvertCli.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillet::test {

struct ConvertResult {
    int status;
    std::string err;
};

inline ConvertResult runConvert(const std::vector<std::string>& args)
{
    std::FILE* err = std::tmpfile();
    std::FILE* out = std::tmpfile();
    ConvertResult result{cli::run(args, out, err), {}};
    std::rewind(err);
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, err)) > 0)
        result.err.append(buffer, got);
    std::fclose(err);
    std::fclose(out);
    return result;
}

} // namespace quillet::test
