// SPDX-License-Identifier: MIT
#include "ui/AppIcon.h"

#include "ui/LazyIcons.h"

#include <QSize>
#include <QString>

static void initResources()
{
    // The resources live in a static library: they load only when asked.
    Q_INIT_RESOURCE(quillet);
}

QIcon quilletIcon()
{
    static const QIcon icon = [] {
        initResources();
        QList<std::pair<QString, QSize>> files;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            files.append({QStringLiteral(":/icons/quillet-%1.png").arg(size), QSize(size, size)});
        return quillet::ui::iconOfFiles(files);
    }();
    return icon;
}
