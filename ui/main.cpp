#include "app/SettingsStore.h"
#include "app/TerminationSignals.h"
#include "ui/AppIcon.h"
#include "ui/BundledFonts.h"
#include "ui/QuilletUnit.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setWindowIcon(quilletIcon());
    quillet::ui::loadBundledFonts(quillet::ui::bundledFontFolders());
    // Before any window: every text is made in the chosen language.
    quillet::ui::installTranslations(app,
                                     quillet::ui::storedInterfaceLanguage(quillet::app::SettingsStore::defaultPath()));
    TForm1 window;
    // A signal to end the program closes the window first, so that its
    // temporary files go as they do on an ordinary close.
    quillet::app::TerminationSignals terminations;
    QObject::connect(&terminations, &quillet::app::TerminationSignals::terminationRequested, &window, [&window] {
        window.close();
        QApplication::quit();
    });
    window.show();
    QStringList args = QApplication::arguments();
    args.removeFirst();
    // Inside the event loop, so that a signal during a long first load can
    // end the program: a quit before the loop runs would be lost.
    QTimer::singleShot(0, &window, [&window, args] { window.FormCreate(args); });
    return QApplication::exec();
}
