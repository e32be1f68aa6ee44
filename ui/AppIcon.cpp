#include "ui/AppIcon.h"

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
        QIcon made;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            made.addFile(QStringLiteral(":/icons/quillet-%1.png").arg(size), QSize(size, size));
        return made;
    }();
    return icon;
}
