#pragma once
// Registers opened files with the desktop's list of recently used files
// (the freedesktop recently-used.xbel that file managers and open dialogs
// read).

#include <QString>

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

} // namespace quillet::app
