// SPDX-License-Identifier: MIT
// Random member paths ("FILE::MEMBER::...") split where the file on disk
// ends. The first byte says which prefixes name a file (by their length);
// the rest is the path. The split must give the text back, end the file
// before a "::" (at the first one when no prefix names a file), keep the
// whole text as the file when it names one, and name a leaf without
// folders.

#include "document/Open.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t files = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto isFile = [&](const std::string& prefix) {
        if (prefix.size() > text.size() || text.substr(0, prefix.size()) != prefix)
            std::abort(); // only prefixes of the path are asked about
        return prefix.size() == text.size() ? (files & 0x80) != 0 : ((files >> (prefix.size() % 7)) & 1) != 0;
    };
    const quillet::MemberPath path = quillet::splitMemberPath(text, isFile);

    if (path.text() != text)
        std::abort();
    if (path.isMember()) {
        if (isFile(std::string(text)) || text.substr(path.file.size(), 2) != "::")
            std::abort();
        // No prefix names a file: the file ends at the first "::".
        if (!isFile(path.file) && path.file.find("::") != std::string::npos)
            std::abort();
        for (const std::string& member : path.members) {
            if (member.find("::") != std::string::npos)
                std::abort();
        }
        if (path.parentText() + "::" + path.members.back() != path.text())
            std::abort();
    } else if (!path.parentText().empty() || path.file != text) {
        std::abort();
    }
    const std::string leaf = path.leafName();
    if (leaf.find('/') != std::string::npos || !text.ends_with(leaf))
        std::abort();
    return 0;
}
