// SPDX-License-Identifier: MIT
#include "support/ArchiveBuilder.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <stdexcept>

namespace quillet::test {

namespace {

struct ArchiveWriteFree {
    void operator()(archive* a) const { archive_write_free(a); }
};

la_ssize_t appendTo(archive*, void* out, const void* data, std::size_t size)
{
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<la_ssize_t>(size);
}

// CRC-16 with the polynomial 0xA001, as LZH headers carry it.
std::uint16_t crc16(std::string_view bytes)
{
    std::uint16_t crc = 0;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

} // namespace

std::string writeArchive(int (*format)(archive*), const std::vector<ArchiveEntry>& entries, int (*filter)(archive*),
                         const char* options)
{
    std::unique_ptr<archive, ArchiveWriteFree> a(archive_write_new());
    format(a.get());
    if (filter)
        filter(a.get());
    if (options && archive_write_set_options(a.get(), options) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(a.get()));
    std::string out;
    if (archive_write_open(a.get(), &out, nullptr, appendTo, nullptr) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(a.get()));
    for (const ArchiveEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.path.c_str());
        archive_entry_set_filetype(entry, e.folder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, e.folder ? 0755 : 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(e.bytes.size()));
        archive_entry_set_mtime(entry, e.mtime ? e.mtime : 946684800, 0);
        if (!e.hardlink.empty()) {
            archive_entry_set_hardlink(entry, e.hardlink.c_str());
            archive_entry_set_size(entry, 0);
        }
        const bool written = archive_write_header(a.get(), entry) == ARCHIVE_OK
                             && (e.bytes.empty() || archive_write_data(a.get(), e.bytes.data(), e.bytes.size()) >= 0);
        archive_entry_free(entry);
        if (!written)
            throw std::runtime_error(archive_error_string(a.get()));
    }
    archive_write_close(a.get());
    return out;
}

std::string zipOf(const std::vector<ArchiveEntry>& entries)
{
    return writeArchive(archive_write_set_format_zip, entries);
}

// An LZH archive of stored (-lh0-) members with level-0 headers: header
// size and checksum, method, packed and original size, DOS time, attribute,
// level, name, CRC-16 of the data; a zero byte ends the archive.
std::string lzhArchive(const std::vector<ArchiveEntry>& entries)
{
    std::string out;
    for (const ArchiveEntry& e : entries) {
        const auto u32 = [](std::uint32_t v) {
            return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                               static_cast<char>(v >> 24)};
        };
        std::string header = "-lh0-" + u32(static_cast<std::uint32_t>(e.bytes.size()))
                             + u32(static_cast<std::uint32_t>(e.bytes.size())) + u32(0x14436A00) // 1990-02-03 13:16:00
                             + "\x20" + std::string(1, '\0') + static_cast<char>(e.path.size()) + e.path;
        const std::uint16_t crc = crc16(e.bytes);
        header += static_cast<char>(crc & 0xFF);
        header += static_cast<char>(crc >> 8);
        std::uint8_t sum = 0;
        for (const char c : header)
            sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
        out += static_cast<char>(header.size());
        out += static_cast<char>(sum);
        out += header + e.bytes;
    }
    return out + std::string(1, '\0');
}

} // namespace quillet::test
