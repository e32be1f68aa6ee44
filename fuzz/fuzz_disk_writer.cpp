// SPDX-License-Identifier: MIT
// Random disk images through the editor: one it takes is changed (a file
// put, a folder made, files removed) and must then read with no damage,
// the new file as written; a change it refuses leaves the image as it was.

#include "common/Errors.h"
#include "container/Container.h"
#include "container/DiskWriter.h"
#include "container/Readers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace {

void checkSound(const std::string& image, std::size_t size)
{
    if (image.size() != size)
        std::abort();
    const auto disk = quillet::openDiskImage(image);
    if (!disk->problems().empty())
        std::abort();
    for (const quillet::MemberInfo& info : disk->members()) {
        if (info.status != quillet::MemberStatus::Ok)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::optional<quillet::DiskEditor> editor;
    try {
        editor.emplace(bytes);
    } catch (const quillet::QuilletError& error) {
        if (error.kind() != quillet::ErrorKind::NotAContainer && error.kind() != quillet::ErrorKind::NotWritable)
            std::abort();
        return 0;
    }
    const quillet::MemberDate date{2000, 1, 2, 3, 4, 6};
    const std::string contents = bytes.substr(0, 3000);
    const auto first = quillet::openDiskImage(bytes);
    const std::string existing = first->members().empty() ? "NONE" : first->members().front().path;
    auto attempt = [&](const std::function<void()>& change) {
        const std::string before = editor->image();
        try {
            change();
        } catch (const quillet::QuilletError&) {
            if (editor->image() != before)
                std::abort();
        }
        checkSound(editor->image(), size);
    };
    attempt([&] {
        editor->put("", "FUZZ.BIN", contents, date);
        const auto disk = quillet::openDiskImage(editor->image());
        const auto index = disk->find("FUZZ.BIN");
        if (!index || disk->read(*index) != contents)
            std::abort();
    });
    attempt([&] { editor->makeFolder("FUZZDIR", date); });
    attempt([&] { editor->put("FUZZDIR", "IN.TXT", "in", date); });
    attempt([&] { editor->remove(existing); });
    attempt([&] { editor->remove("FUZZ.BIN"); });
    return 0;
}
