#pragma once
// The main window: menus, tool bar, the two pages with the listing and the
// picture, the status bar, and the commands. Program start runs FormCreate.

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QWidget;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // Text of status panel 0 to 3.
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

    QAction* action(const char* name) const;

protected:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildPages();

    QTabWidget* PageControl1 = nullptr;
    QWidget* tbsBASIC = nullptr;
    QWidget* tbsCG = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    std::array<QLabel*, 4> panels_{};
};
