#include "ui/QuilletUnit.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillet");
    TForm1 window;
    window.show();
    return QApplication::exec();
}
