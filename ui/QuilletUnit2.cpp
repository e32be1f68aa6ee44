// SPDX-License-Identifier: MIT
#include "ui/QuilletUnit2.h"

#include "common/Version.h"
#include "ui/AppIcon.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
const char* const AuthorLine = "Copyright (C) Quillet developers";
} // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form2");
    setWindowTitle(tr("Quilletについて"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setPixmap(quilletIcon().pixmap(32, 32));
    image->setFixedSize(32, 32);

    auto* name = new QLabel(QStringLiteral("Quillet version 1.1β"), this);
    name->setObjectName("Label1");
    auto* author = new QLabel(QString::fromUtf8(AuthorLine), this);
    author->setObjectName("Label2");
    auto* issues = new QLabel(tr("不具合の報告・ご意見:"), this);
    issues->setObjectName("lblIssues1");

    Label3 = new QLabel(issuesLink().toString(), this);
    Label3->setObjectName("Label3");
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label3->setProperty("hint", issuesLink().toString());
    Label3->installEventFilter(this);

    auto* licence = new QLabel(QStringLiteral("MIT License"), this);
    licence->setObjectName("lblLicense1");

    // The full text, shown under the box on request as a message box shows
    // its details.
    btnLicense1 = new QPushButton(tr("ライセンス全文(&L)"), this);
    btnLicense1->setObjectName("btnLicense1");
    btnLicense1->setCheckable(true);
    btnLicense1->setAutoDefault(false);
    edtLicense1 = new QPlainTextEdit(licenceText(), this);
    edtLicense1->setObjectName("edtLicense1");
    edtLicense1->setReadOnly(true);
    edtLicense1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Lines of at most 80 characters, as the file has them.
    edtLicense1->setLineWrapMode(QPlainTextEdit::NoWrap);
    edtLicense1->setMinimumSize(edtLicense1->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 80
                                    + edtLicense1->verticalScrollBar()->sizeHint().width() + 16,
                                edtLicense1->fontMetrics().lineSpacing() * 16);
    edtLicense1->hide();
    connect(btnLicense1, &QPushButton::toggled, edtLicense1, &QWidget::setVisible);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    setFocusProxy(Button1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QGridLayout;
    texts->setHorizontalSpacing(16);
    texts->setVerticalSpacing(4);
    texts->addWidget(image, 0, 0, 4, 1, Qt::AlignTop);
    int row = 0;
    for (QLabel* label : {name, author, issues, Label3, licence})
        texts->addWidget(label, row++, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(btnLicense1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(texts);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addWidget(edtLicense1);
    // Fixed, at the size of what it shows: the text makes it taller.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QUrl TForm2::issuesLink()
{
    return QUrl(QStringLiteral(QUILLET_ISSUES_URL));
}

QString TForm2::licenceText()
{
    QFile file(QStringLiteral(":/doc/LICENSE"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
