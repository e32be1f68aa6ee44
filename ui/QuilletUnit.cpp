#include "ui/QuilletUnit.h"

#include "common/QuilletUnitGrobal.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf8(quillet::ProductName.data(), static_cast<qsizetype>(quillet::ProductName.size())));
    resize(634, 394);
}
