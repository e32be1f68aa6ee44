// SPDX-License-Identifier: MIT
#pragma once
// The per-user settings store: an INI file of UTF-8 text that a person can
// read and edit, shared by every running instance of the program.
//
// An opened store reads the file once; reads see that snapshot together with
// this opening's own writes. The writes of one opening are committed together
// by close() (or the destructor) as one read-modify-write under a lock held
// across processes: take the lock, re-read the file, apply the writes, write
// the result beside the file and rename it over the file. Concurrent writers
// thus lose none of each other's values, a crash never leaves half a file,
// and every line the program does not know is kept as it was.
//
// Values are text. Integers are written in decimal ("-5", "16777215") and
// read back leniently: blanks around the number and a "+" are accepted;
// anything else, including a number outside the signed 32-bit range, reads
// as the default. Bools are written "1" / "0" and read as integers, any
// non-zero number being true.
//
// A damaged file never stops the program: a file that is not a regular file,
// cannot be read or is larger than MaxStoreBytes reads as empty (every value
// its default) and is left untouched: writes to it are dropped rather than
// replacing what a person may still want, and so are writes to a file its
// owner made read-only. A text value that is not valid UTF-8 reads as the
// default.

#include "app/IniDocument.h"
#include "common/Errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::app {

// The section holding every value of the program.
inline constexpr std::string_view SettingsSection = "Vantre\\Quillet";

// Settings files are a few hundred bytes; anything this large is not ours.
inline constexpr std::size_t MaxStoreBytes = 1024 * 1024;

// Integer text as the store reads it; nullopt when it does not parse.
std::optional<std::int32_t> parseStoredInteger(std::string_view text);

class SettingsStore {
public:
    // Opens the store kept at `path` (which need not exist yet).
    explicit SettingsStore(std::string path);
    // Commits pending writes; a failure is not reported.
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/Vantre/Quillet.ini, ~/.config when the variable is
    // unset, empty or not an absolute path.
    static std::string defaultPath();

    const std::string& path() const noexcept { return path_; }

    std::string readString(std::string_view section, std::string_view ident, std::string_view defaultValue) const;
    std::int32_t readInteger(std::string_view section, std::string_view ident, std::int32_t defaultValue) const;
    bool readBool(std::string_view section, std::string_view ident, bool defaultValue) const;

    // False (and nothing recorded) when the section or name is not a plain
    // one-line name, or the value holds a line break or a NUL byte, since such
    // a text could not be read back as it was given.
    bool writeString(std::string_view section, std::string_view ident, std::string_view value);
    bool writeInteger(std::string_view section, std::string_view ident, std::int32_t value);
    bool writeBool(std::string_view section, std::string_view ident, bool value);

    // A value made from the one it replaces, such as a list that each
    // instance adds to: `make` is given the value held (nullopt when there
    // is none) now, for this opening's reads, and again when the writes are
    // committed, with the value the file holds then, under the lock. So no
    // instance's change is lost. A value it makes that cannot be stored is
    // left out. False when the section or name cannot be stored.
    using MakeValue = std::function<std::string(std::optional<std::string_view> held)>;
    bool writeMade(std::string_view section, std::string_view ident, MakeValue make);

    // Commits this opening's writes. True when there was nothing to write or
    // the file now holds the writes; false when the file could not be locked,
    // read or replaced (it is then unchanged). The store stays usable: later
    // writes form a new group.
    bool close();
    // Why the last close() failed: PermissionDenied (the file made
    // read-only, or its folder), NotRegularFile (a folder or pipe in its
    // place), TooLarge (over MaxStoreBytes), CreateFailed, WriteFailed, ...
    // nullopt after one that succeeded.
    std::optional<ErrorKind> failure() const noexcept { return failure_; }

private:
    struct Write {
        std::string section;
        std::string ident;
        std::string value;
        MakeValue make; // when set, made again from the file's value on commit
    };

    std::optional<ErrorKind> commit();

    std::string path_;
    IniDocument view_;
    std::vector<Write> pending_;
    std::optional<ErrorKind> failure_;
};

} // namespace quillet::app
