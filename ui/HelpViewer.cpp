#include "ui/HelpViewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent)
{
    setObjectName("HelpViewer");
    setWindowTitle(tr("Quillet ヘルプ"));
    setModal(false);
    resize(560, 480);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
}

bool HelpViewer::showContents(const QString& helpFile)
{
    return showAt(helpFile, QStringLiteral("contents"));
}

bool HelpViewer::showContext(const QString& helpFile, int context)
{
    return showAt(helpFile, QString::number(context));
}

bool HelpViewer::showAt(const QString& helpFile, const QString& anchor)
{
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    browser_->setHtml(QString::fromUtf8(file.readAll()));
    show();
    raise();
    activateWindow();
    browser_->scrollToAnchor(anchor);
    return true;
}
