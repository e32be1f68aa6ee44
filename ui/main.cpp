#include "ui/AppIcon.h"
#include "ui/QuilletUnit.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setWindowIcon(quilletIcon());
    TForm1 window;
    window.show();
    QStringList args = QApplication::arguments();
    args.removeFirst();
    window.FormCreate(args);
    return QApplication::exec();
}
