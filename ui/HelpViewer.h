// SPDX-License-Identifier: MIT
#pragma once
// Shows the help file (HTML in "Quillet.hlp") in a window of its own, at
// its contents or at the topic of a context number.

#include <QDialog>
#include <QPointer>

#include <string_view>

class QTextBrowser;

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // The help file of an interface language: "Quillet.hlp" for Japanese,
    // "Quillet_<language>.hlp" for another, the Japanese one when that
    // language has none. Looked for beside the program (a build tree), then
    // in ../share/quillet (an installation); when neither holds a help
    // file, the Japanese name beside the program, which a failure names.
    static QString helpFile(const QString& programDir, std::string_view language);

    // False when the help file cannot be read; the window then stays hidden.
    bool showContents(const QString& helpFile);
    bool showContext(const QString& helpFile, int context);

    QTextBrowser* browser() const { return browser_; }

private:
    bool showAt(const QString& helpFile, const QString& anchor);
    QPointer<QWidget> owner_;
    QTextBrowser* browser_;
};
