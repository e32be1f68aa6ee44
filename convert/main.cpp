// SPDX-License-Identifier: MIT
#include "convert/ConvertCli.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return quillet::cli::run(args, stdout, stderr);
}
