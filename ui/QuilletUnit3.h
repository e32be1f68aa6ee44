// SPDX-License-Identifier: MIT
#pragma once
// The settings dialog: fonts, size, character mode and colours of the
// listing, word wrap, lines from 65530, the 0xAD mapping, the screen mode of
// pictures, the temporary folder, and the program's version. Settings change
// only on OK, which stores them and, when asked to, reloads the shown files.

#include "render/RoleColours.h"
#include "ui/SettingsHost.h"

#include <QColor>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The up and down arrows beside a number edit: they step the number within
// a range without wrapping; a text that is not a number steps from the last
// position.
class UpDownButtons : public QWidget {
    Q_OBJECT
public:
    UpDownButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent);
    void stepBy(int steps);
    int position() const { return position_; }

private:
    QLineEdit* buddy_;
    int minimum_;
    int maximum_;
    int position_;
};

class TPagesDlg : public QDialog {
    Q_OBJECT
public:
    TPagesDlg(SettingsHost& host, QWidget* parent);

    // The version data built into the program as "a.b.c.d"; empty when it
    // cannot be read.
    static QString programVersion();

    // Replaceable for tests: the colour chooser (an invalid colour means
    // cancelled) and the folder browser (empty means cancelled).
    std::function<QColor(const QColor& initial, const QString& title)> chooseColor;
    std::function<QString()> chooseFolder;

    void FormShow();
    void FormActivate();
    void OKBtnClick();
    void HelpBtnClick();
    void btnChoiceFontColorClick();
    void btnChoiceBgColorClick();
    void btnBrowseFolderClick();
    void btnDefaultTempFolderClick();
    // Puts the built-in font names back into the four font lists.
    void btnDefaultFontsClick();
    void ckbMap0xADClick();
    void ckbAutoDetectScreenModeClick();
    void enableScreenMode(bool enabled);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    QWidget* buildBasic1();
    QWidget* buildBasic2();
    QWidget* buildColors();
    // The role buttons show the colours chosen.
    void showRoleColours();
    QWidget* buildCg();
    QWidget* buildConfig();
    QWidget* buildInfo();
    void setSwatch(QFrame* swatch, const QColor& color);
    void chooseInto(QColor& holder, QFrame* swatch, const QString& title);
    // The three samples in the chosen fonts, size and colours.
    void updateSamples();
    QRadioButton* screenButton(int mode) const;

    SettingsHost& host_;
    QTabWidget* pages_;
    int lastPage_ = 0;

    QComboBox* cmbAnkFont;
    QComboBox* cmbAnkGraphFont;
    QComboBox* cmbKanjiFont;
    QLineEdit* edtFontSize;
    UpDownButtons* UpDown1;
    QRadioButton* rdbtnAnk;
    QRadioButton* rdbtnKanji;
    QFrame* shpFontColor;
    QFrame* shpBgColor;
    QLineEdit* edtAnkFontSample;
    QLineEdit* edtAnkGraphFontSample;
    QLineEdit* edtKanjiFontSample = nullptr;
    int sampleSize_ = 12;

    QCheckBox* ckbWordWrap;
    QCheckBox* ckbLineNumberGutter;
    QCheckBox* ckbSyntaxColors;
    class QComboBox* cmbColorScheme;
    std::array<class QPushButton*, quillet::RoleCount> roleButtons_{};
    quillet::RoleColourSet roleColours_{};
    QCheckBox* ckbVisibleOver65530;
    QCheckBox* ckbMap0xAD;
    QLabel* lblMapFontFrom0xAD;
    QComboBox* cmbMapFontFrom0xAD;
    QLabel* lblMapCodeFrom0xAD;
    QLineEdit* edtMapCodeFrom0xAD;
    UpDownButtons* updMapCodeFrom0xAD;

    QCheckBox* ckbAutoDetectScreenMode;
    QCheckBox* ckbMsx2Colors;
    std::array<QRadioButton*, 12> screenButtons_{}; // SCREEN 5 to 12, then 1 to 4

    QLineEdit* edtTempFileDir;
    QComboBox* cmbLanguage;
    QComboBox* cmbCharacterSet;
    QCheckBox* ckbViewLineAddress;
    QLineEdit* edtVersion;

    QCheckBox* ckbReload;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;
};
