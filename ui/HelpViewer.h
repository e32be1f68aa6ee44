#pragma once
// Shows the help file (HTML in "Quillet.hlp") in a window of its own, at
// its contents or at the topic of a context number.

#include <QDialog>

class QTextBrowser;

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // False when the help file cannot be read; the window then stays hidden.
    bool showContents(const QString& helpFile);
    bool showContext(const QString& helpFile, int context);

    QTextBrowser* browser() const { return browser_; }

private:
    bool showAt(const QString& helpFile, const QString& anchor);
    QTextBrowser* browser_;
};
