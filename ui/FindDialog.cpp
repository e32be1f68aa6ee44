// SPDX-License-Identifier: MIT
#include "ui/FindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FindDialog::FindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("FindDialog1");
    setWindowTitle(tr("検索"));
    setModal(false);

    auto* label = new QLabel(tr("検索する文字列(&N):"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("edtFindText");
    label->setBuddy(edit_);
    matchCase_ = new QCheckBox(tr("大文字と小文字を区別する(&C)"), this);
    matchCase_->setObjectName("ckbMatchCase");
    wholeWord_ = new QCheckBox(tr("単語単位で探す(&W)"), this);
    wholeWord_->setObjectName("ckbWholeWord");

    auto* direction = new QGroupBox(tr("検索する方向"), this);
    direction->setObjectName("grbDirection");
    up_ = new QRadioButton(tr("上へ(&U)"), direction);
    up_->setObjectName("rdbtnUp");
    down_ = new QRadioButton(tr("下へ(&D)"), direction);
    down_->setObjectName("rdbtnDown");
    down_->setChecked(true);
    auto* directions = new QHBoxLayout(direction);
    directions->addWidget(up_);
    directions->addWidget(down_);
    notice_ = new QLabel(this);
    notice_->setObjectName("lblFindNotice");
    notice_->setWordWrap(true);

    findNext_ = new QPushButton(tr("次を検索(&F)"), this);
    findNext_->setObjectName("btnFindNext");
    findNext_->setDefault(true);
    findNext_->setEnabled(false);
    auto* close = new QPushButton(tr("キャンセル"), this);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit_, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(row);
    left->addWidget(wholeWord_);
    left->addWidget(matchCase_);
    left->addWidget(direction);
    left->addWidget(notice_);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(findNext_);
    right->addWidget(close);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        findNext_->setEnabled(!text.isEmpty());
        notice_->clear();
    });
    connect(findNext_, &QPushButton::clicked, this, &FindDialog::find);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

QString FindDialog::findText() const
{
    return edit_->text();
}

void FindDialog::setFindText(const QString& text)
{
    edit_->setText(text);
}

QTextDocument::FindFlags FindDialog::flags() const
{
    QTextDocument::FindFlags result;
    if (matchCase_->isChecked())
        result |= QTextDocument::FindCaseSensitively;
    if (wholeWord_->isChecked())
        result |= QTextDocument::FindWholeWords;
    if (up_->isChecked())
        result |= QTextDocument::FindBackward;
    return result;
}

void FindDialog::setMatchCase(bool on)
{
    matchCase_->setChecked(on);
}

void FindDialog::setWholeWord(bool on)
{
    wholeWord_->setChecked(on);
}

void FindDialog::setBackward(bool on)
{
    (on ? up_ : down_)->setChecked(true);
}

void FindDialog::setNotice(const QString& text)
{
    notice_->setText(text);
}

QString FindDialog::notice() const
{
    return notice_->text();
}
