#pragma once
// The About box: name, version, author line and a mail link.

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // The address the mail link opens, with its "mailto:" prefix.
    static QString mailLink();

    // Opens the mail link with the desktop's mail program; replaceable so
    // that tests can see the request.
    std::function<void(const QUrl&)> openUrl;

    void Label3Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label3;
    QPushButton* Button1;
};
