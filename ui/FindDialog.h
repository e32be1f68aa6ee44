// SPDX-License-Identifier: MIT
#pragma once
// The non-modal find dialog: search text, match case, whole word, and a
// "find next" button. Searching always runs downwards.

#include <QDialog>
#include <QTextDocument>

class QCheckBox;
class QLineEdit;
class QPushButton;

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    QTextDocument::FindFlags flags() const;
    void setMatchCase(bool on);
    void setWholeWord(bool on);

signals:
    // The user asked for the next match.
    void find();

private:
    QLineEdit* edit_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QPushButton* findNext_;
};
