// SPDX-License-Identifier: MIT
#include "ui/HelpViewer.h"

#include "ui/Translations.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), owner_(parent)
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

QString HelpViewer::helpFile(const QString& programDir, std::string_view language)
{
    const QString japanese = QStringLiteral("Quillet.hlp");
    QStringList names;
    if (language != quillet::ui::JapaneseLanguage)
        names << QStringLiteral("Quillet_%1.hlp").arg(QLatin1String(language.data(), language.size()));
    names << japanese;
    const QStringList folders = {programDir, programDir + QStringLiteral("/../share/quillet")};
    for (const QString& name : names) {
        for (const QString& folder : folders) {
            const QFileInfo file(QDir(folder), name);
            if (file.isFile())
                return file.canonicalFilePath();
        }
    }
    return QDir(programDir).filePath(japanese);
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
    // A modal dialog blocks every window but its own, so the help opened
    // from one (the settings dialog's help button) is made the dialog's.
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* owner = modal && modal != this ? modal : owner_.data();
    if (parentWidget() != owner)
        setParent(owner, windowFlags());
    browser_->setHtml(QString::fromUtf8(file.readAll()));
    show();
    raise();
    activateWindow();
    browser_->scrollToAnchor(anchor);
    return true;
}
