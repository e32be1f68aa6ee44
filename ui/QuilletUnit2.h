// SPDX-License-Identifier: MIT
#pragma once
// The About box: name, version, author line, where to report problems and
// the licence, whose full text it shows on request.

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // The project's issue page, which the link opens.
    static QUrl issuesLink();
    // The full text of the program's licence.
    static QString licenceText();

    // Opens a link with the desktop's program for it; replaceable so that
    // tests can see the request.
    std::function<void(const QUrl&)> openUrl;

    void Label3Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label3;
    QPushButton* btnLicense1;
    QPlainTextEdit* edtLicense1;
    QPushButton* Button1;
};
