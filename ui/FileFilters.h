// SPDX-License-Identifier: MIT
#pragma once
// The file types the open and save dialogs offer. Each dialog has its own
// list; the open dialog's positions are what "Last Open Filter Index"
// counts, so new entries go at its end.
//
// Patterns match names in either case: the dialog's filter text lists each
// one in lower and upper case (native dialogs match case-sensitively), and
// names Qt's filter syntax cannot carry (the half-width katakana suffixes
// of MSX disks) are given to the dialog's file list directly.

#include <QList>
#include <QString>
#include <QStringList>

class QFileDialog;

namespace quillet::ui {

struct FileFilter {
    QString caption;      // translated: "BASICファイル (*.bas)"
    QStringList patterns; // lower case: "*.bas", "*.ﾊﾞｽ"; "*" for all files
};

// BASIC files, BSAVE pictures, all files, disk and tape images and
// archives, then every kind the viewer opens.
QList<FileFilter> openFileFilters();
// Each save's own: the listing as text, as RTF, the picture as BMP or PNG,
// and a member of a container as it is.
QList<FileFilter> asciiSaveFilters();
QList<FileFilter> rtfSaveFilters();
QList<FileFilter> htmlSaveFilters();
QList<FileFilter> bmpSaveFilters();
QList<FileFilter> pngSaveFilters();
QList<FileFilter> memberSaveFilters();
// A new disk: one filter for each size, the first (720 KB) chosen.
QList<FileFilter> newDiskFilters();

// Gives `dialog` these filters, the first one chosen.
void setFileFilters(QFileDialog& dialog, const QList<FileFilter>& filters);
// Chooses the filter at 1-based `index`; false when there is none there.
bool selectFileFilter(QFileDialog& dialog, int index);
// The 1-based position of the filter chosen in the dialog.
int chosenFilterIndex(const QFileDialog& dialog);

} // namespace quillet::ui
