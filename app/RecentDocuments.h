// SPDX-License-Identifier: MIT
#pragma once
// Registers opened files with the desktop's list of recently used files
// (the freedesktop recently-used.xbel that file managers and open dialogs
// read), and keeps the viewer's own list of the documents it opened last.

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::app {

class RecentDocuments {
public:
    // The list at $XDG_DATA_HOME/recently-used.xbel (~/.local/share when unset).
    RecentDocuments();
    explicit RecentDocuments(QString xbelPath);

    static QString defaultPath();
    const QString& path() const { return path_; }

    // Adds or refreshes the entry of `file`. A list that cannot be read as
    // XBEL is left exactly as it is; the update is written beside the list
    // and renamed over it, so a failure never leaves a broken list. Returns
    // false when nothing was written.
    bool add(const QString& file, const QString& mimeType) const;

private:
    QString path_;
};

// The viewer's own list: every document it opened, member paths included,
// most recent first, in the settings store as one value ("Recent Files"),
// the entries separated by "|". Each change is made from the list the file
// holds at that moment, under the store's lock, so instances that open
// files at the same time keep each other's entries. Reads go to the store
// each time: another instance may have changed the list.
class RecentFiles {
public:
    static constexpr std::size_t MaxFiles = 10;

    explicit RecentFiles(std::string storePath);

    std::vector<std::string> files() const;
    // Puts `path` first, dropping its earlier entry and those past MaxFiles.
    // False when the store could not be written.
    bool add(const std::string& path) const;
    bool clear() const;

    // The stored value's entries, without empty ones and repeats, and the
    // value that stores a list.
    static std::vector<std::string> decodeList(std::string_view text);
    static std::string encodeList(const std::vector<std::string>& files);

private:
    std::string storePath_;
};

} // namespace quillet::app
