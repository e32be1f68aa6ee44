#include "ui/QuilletUnit2.h"

#include "ui/AppIcon.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {
const char* const AuthorLine = "Copyright (C) Quillet developers";
const char* const MailAddress = "quillet@example.org";
} // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form2");
    setWindowTitle(tr("Quilletについて"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(290, 117);
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setPixmap(quilletIcon().pixmap(32, 32));
    image->setGeometry(16, 16, 32, 32);

    auto* name = new QLabel(QStringLiteral("Quillet version 1.1β"), this);
    name->setObjectName("Label1");
    name->move(64, 16);
    auto* author = new QLabel(QString::fromUtf8(AuthorLine), this);
    author->setObjectName("Label2");
    author->move(64, 32);

    Label3 = new QLabel(QString::fromUtf8(MailAddress), this);
    Label3->setObjectName("Label3");
    Label3->move(64, 48);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label3->setProperty("hint", mailLink());
    Label3->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(104, 80, 75, 25);
    Button1->setDefault(true);
    setFocusProxy(Button1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

QString TForm2::mailLink()
{
    return QStringLiteral("mailto:") + QString::fromUtf8(MailAddress);
}

void TForm2::Label3Click()
{
    openUrl(QUrl(Label3->property("hint").toString()));
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label3Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
