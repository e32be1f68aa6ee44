// SPDX-License-Identifier: MIT
// Random stored values of the viewer's recent-files list, and random lists
// stored. The first byte says which the rest is (a list: entries separated
// by NUL). A stored value is one line of UTF-8 the settings file keeps as
// it is; what is read has no empty entry and no repeat; a list stored and
// read again is the list without empty entries and repeats.

#include "app/IniDocument.h"
#include "app/RecentDocuments.h"
#include "common/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quillet::app::RecentFiles;

// Empty entries and later repeats left out.
std::vector<std::string> distinct(const std::vector<std::string>& entries)
{
    std::vector<std::string> kept;
    for (const std::string& entry : entries) {
        if (!entry.empty() && std::find(kept.begin(), kept.end(), entry) == kept.end())
            kept.push_back(entry);
    }
    return kept;
}

void checkStored(const std::vector<std::string>& list)
{
    const std::string value = RecentFiles::encodeList(list);
    if (!quillet::isValidUtf8(value) || !quillet::app::IniDocument::isStorableValue(value)
        || RecentFiles::decodeList(value) != distinct(list))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        std::vector<std::string> list;
        for (std::size_t start = 0; start <= rest.size();) {
            const std::size_t end = std::min(rest.find('\0', start), rest.size());
            list.emplace_back(rest.substr(start, end - start));
            start = end + 1;
        }
        checkStored(list);
        return 0;
    }
    const std::vector<std::string> read = RecentFiles::decodeList(rest);
    if (read != distinct(read))
        std::abort();
    checkStored(read);
    return 0;
}
