// SPDX-License-Identifier: MIT
#pragma once
// Icons whose pictures are read when first drawn rather than when made:
// decoding every size of every icon was a large part of the start.

#include <QIcon>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace quillet::ui {

// An icon of PNG files, each declared with its size. A file is read the
// first time a size it is the best match for is drawn; sizes match as
// QIcon::addFile's do.
QIcon iconOfFiles(const QList<std::pair<QString, QSize>>& files);

// An icon that `make` makes the first time it is drawn or measured; until
// then it counts as not null.
QIcon deferredIcon(std::function<QIcon()> make);

// A command's icon: the desktop theme's of the first freedesktop name it
// has (edit-copy, document-print, ...), else the program's own picture of
// the same meaning for the first of the names, each size drawn when first
// shown. A name the program draws nothing for gives a null icon when the
// theme has none.
QIcon commandIcon(const QStringList& themeNames);

} // namespace quillet::ui
