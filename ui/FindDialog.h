// SPDX-License-Identifier: MIT
#pragma once
// The non-modal find dialog: search text, match case, whole word, the
// direction, and a "find next" button; a line under them tells where the
// last search went on from.

#include <QDialog>
#include <QTextDocument>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    QTextDocument::FindFlags flags() const;
    void setMatchCase(bool on);
    void setWholeWord(bool on);
    void setBackward(bool on);
    // What the last search says, or empty.
    void setNotice(const QString& text);
    QString notice() const;

signals:
    // The user asked for the next match.
    void find();

private:
    QLineEdit* edit_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QRadioButton* up_;
    QRadioButton* down_;
    QLabel* notice_;
    QPushButton* findNext_;
};
