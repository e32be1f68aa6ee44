// SPDX-License-Identifier: MIT
#pragma once
// The main window: menus, tool bar, the two pages with the listing and the
// picture, the status bar, and the commands. Program start runs FormCreate.

#include "app/DocumentLoader.h"
#include "app/DocumentState.h"
#include "app/RecentDocuments.h"
#include "app/SettingsOwner.h"
#include "app/TempFiles.h"
#include "common/QuilletUnitGrobal.h"
#include "ui/FileFilters.h"
#include "ui/ListingView.h"
#include "ui/MemberListPanel.h"
#include "ui/SettingsHost.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPrinter>
#include <QStringList>
#include <QUrl>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class FindDialog;
class TForm2;
class TPagesDlg;
class HelpViewer;
class PictureView;
class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QWidget;

class TForm1 : public QMainWindow, private quillet::app::LoaderHost, private SettingsHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Program start: reads the settings, prepares the views and the
    // temporary files, and opens the first argument (each further one in a
    // new instance of the program).
    void FormCreate(const QStringList& args);

    // Starts a further instance of the program with one file; replaceable
    // so that tests can see the starts.
    std::function<void(const QString&)> startInstance;

    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    QAction* action(const char* name) const;
    // The SCREEN item of `mode` in the main menu (1) or the pop-up (2).
    QAction* screenItem(int mode, int menu) const;

    // Dropped files: the first is opened here, each further one in a new
    // instance. False when no local file was dropped.
    bool AcceptFiles(const QList<QUrl>& urls);

    void openDocument(const QString& path);
    void loadDocument(const QString& path, bool reload);
    void indidateCanSave(bool listing, bool picture);
    void PageControl1ChangeProc();

    // Commands, as the menus and buttons run them.
    void Clear1Click();
    void Open1Click();
    // Loads the document of the page shown again from its file, the page
    // staying as it is.
    void Reload1Click();
    void ClearRecent1Click();
    void SaveAs1Click();
    void Save1Click();
    void SaveHTML1Click();
    // The listing shown as one web page at `path`, in the view's colours.
    void saveHtmlListing(const QString& path);
    void SaveBMP1Click();
    void SavePNG1Click();
    void ExtractSave1Click();
    // "新しいディスク...": a blank disk image, opened at once.
    void NewDisk1Click();
    // Removes the selected members of the disk or tape listed, once asked.
    void DeleteMember1Click();
    // Puts files dropped on the list into the image listed, once asked.
    void addDroppedFiles(const QList<QUrl>& urls, const QString& folder);
    // Writes the raw bytes of the member at `member` to `path`, replacing it.
    void saveMember(const QString& member, const QString& path);
    // The menu command and the tool button alike: the print dialog, then
    // the whole listing.
    void Print1Click();
    void PrintPreview1Click();
    void PrintSetup1Click();
    void Copy1Click();
    void SelectAll1Click();
    void Find1Click();
    void FindDialog1Find();
    // Asks for a line number and jumps there.
    void GoToLine1Click();
    // The line numbered `number`, else the next one, with a word in panel 0.
    void goToLineNumber(int number);
    // One step larger (+1) or smaller (-1), or 0 for the size of the font.
    void listingZoomCommand(int steps);
    void ImgSizeChg1Click();
    // 1 to 4, or PictureView::FitZoom.
    void zoomCommand(int zoom);
    void TvAspect1Click();
    void DrawSprites1Click();
    // 0 to 3, as SpriteOptions::size.
    void spriteSizeCommand(int size);
    void Msx2Colors1Click();
    // The palette of the shown picture's palette file (0 to 7), for that
    // picture only; it is drawn again at once.
    void paletteCommand(int index);
    // With detection on, the mode holds for the picture shown only.
    void screenCommand(int mode);
    void Help2Click();

    // Shared state of the program.
    const quillet::Settings& settings() const { return settings_.values(); }
    quillet::app::SettingsOwner& settingsOwner() override { return settings_; }
    const quillet::app::DocumentState& documentState() const { return State; }
    quillet::app::TempFiles& tempFiles() { return Temps; }
    ListingView* listingView() const { return RichEdit1; }
    PictureView* pictureView() const { return imgMSXCG; }
    // The file list, made on first use.
    MemberListPanel* memberList();
    // The dialogs are made when first wanted; the About box and the
    // settings dialog are there once FormCreate has run.
    FindDialog* findDialog();
    QPrinter& printer();
    TForm2* aboutBox();
    TPagesDlg* settingsDialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Where the window was left, brought onto the screens there are now.
    void restoreWindowGeometry();
    void storeWindowGeometry();
    void buildActions();
    void buildMenus();
    QMenu* buildZoomMenu();
    QMenu* buildPaletteMenu();
    void buildToolBar();
    void buildStatusBar();
    void buildPages();
    QFileDialog* openDialog();
    // The file list's current member; empty while there is no list.
    QString currentMemberPath() const;
    QFileDialog* saveDialog();
    HelpViewer* helpViewer();
    void connectCommands();
    void PageControl1Change();
    bool isBasicPage() const;
    // What shows a setting follows it, whoever set it.
    void settingsChanged(const quillet::app::SettingNames& names);
    // Says in panel 0 that the settings could not be saved, and why, after
    // what the command that saved them shows there.
    void settingsSaveFailed(quillet::ErrorKind cause);
    void indicateScreenMode(int mode);
    void indicateAnkMode(bool isAnkMode);
    // The picture view and its menu items as the settings say.
    void indicatePictureView();
    // The palette menu: enabled while the shown picture is a file with a
    // palette file beside it, its number checked.
    void indicatePaletteChoice();
    // The listing's zoom, gutter and colours as the settings say.
    void indicateListingView();
    SyntaxColors syntaxColors() const;
    // Back and forward as the listing's jumps allow.
    void indicateNavigation();
    // Scrolls the listing so that the selected match is not under `window`.
    void keepMatchClearOf(const QWidget* window);
    // The listing takes the chosen colours, the size and word wrap at once.
    void applyListingLook();
    // Shows the save dialog in the folder of `sourcePath`, offering its name
    // with `proposedSuffix`; the chosen path, or empty when cancelled.
    QString runSaveDialog(const QString& title, const QString& suffix, const QList<quillet::ui::FileFilter>& filters,
                          const std::string& sourcePath, const QString& proposedSuffix);
    // Runs one save to `path` and says how it went: where it wrote, or what
    // failed and why.
    void runSave(const QString& path, std::string_view saved, std::string_view failed,
                 const std::function<void()>& save);
    // The recent files as the store holds them now.
    void fillRecentMenu();
    // A printer to print on, or a PDF file to print to.
    bool printerReady();
    // The one way a failed command is reported: `whatFailed` in panel 0,
    // and a message box with it and the cause.
    void reportFailure(std::string_view whatFailed, const std::exception& cause);
    // What failed and why, in one line for panel 0.
    QString failureLine(std::string_view whatFailed, const std::exception& cause) const;
    // The format a listing is shown in: the settings and the colour choosers.
    ListingFormat listingFormat() const;
    // The member written as a file of its own name for a drag; empty (and
    // why in panel 0) when it cannot be.
    QString exportMember(const QString& member);
    // Extract and Delete as the file list's current and selected rows allow.
    void enableMemberCommands();
    // File names for a question, one a line, the rest counted past a screenful.
    static QString namesForQuestion(const QStringList& names);

    // LoaderHost
    void showDebugMessage(const QString& text) override;
    void rememberOpenedFile(const QString& path) override;
    int openDialogFilterIndex() const override;
    void showListing(const quillet::app::ListingFiles& listing) override;
    void preparePicture(const QString& bmpPath) override;
    void showPreparedPicture() override;
    void showContainer(const QString& path, const quillet::Container& container) override;
    void showPage(int index) override;
    void documentLoaded(const QString& path, std::string_view status,
                        const std::vector<quillet::LeftOutCompanion>& leftOut) override;
    void loadFailed(const QString& path, const std::exception& error) override;

    // SettingsHost
    ListingChoices& listingChoices() override { return Choices; }
    QColor listingTextColor() const override;
    QColor listingBackgroundColor() const override;
    std::string tempNameDir() const override;
    void reloadShownDocuments() override;
    void showHelpTopic(int context) override;

    quillet::app::SettingsOwner settings_;
    quillet::app::RecentFiles recent_;
    quillet::app::DocumentState State;
    quillet::app::TempFiles Temps;
    std::unique_ptr<quillet::app::DocumentLoader> loader_;
    ListingChoices Choices; // FontDialog1 to FontDialog4, ColorDialog1 and ColorDialog2
    QImage preparedPicture_;

    QTabWidget* PageControl1 = nullptr;
    QWidget* tbsBASIC = nullptr;
    QWidget* tbsCG = nullptr;
    ListingView* RichEdit1 = nullptr;
    PictureView* imgMSXCG = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QMenu* PopupMenu3 = nullptr;
    QMenu* RecentMenu1 = nullptr;
    MemberListPanel* MemberList1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    FindDialog* FindDialog1 = nullptr;
    HelpViewer* help_ = nullptr;
    TForm2* Form2 = nullptr;
    TPagesDlg* PagesDlg = nullptr;
    // What the open dialog is told before it is made, done to it in turn
    // when it is.
    std::vector<std::function<void(QFileDialog&)>> openDialogSetup_;
    int openFilterIndex_ = 1;
    bool formCreated_ = false;
    std::unique_ptr<QPrinter> printer_;
    QString helpFile_;
    std::array<QLabel*, 4> panels_{};
    bool pageChangeByLoad_ = false;
    // How much the window grew when the file list last opened.
    int listGrowth_ = 0;
    // Closing while a load lets events through ends the load first.
    bool closeAfterLoad_ = false;
};
