#include "ui/ViewerStartup.h"

#include "app/SettingsStore.h"
#include "app/TerminationSignals.h"
#include "fonts/BundledFonts.h"
#include "ui/AppIcon.h"
#include "ui/InterfaceFontAndColour.h"
#include "ui/QuilletUnit.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QTimer>

namespace quillet::ui {

int runViewer(int& argc, char** argv, const std::function<void(TForm1&)>& afterCreate)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setWindowIcon(quilletIcon());
    fonts::loadBundledFonts(fonts::bundledFontFolders());
    // Before any window: every text is made in the chosen language, and
    // drawn in a font of that language.
    const std::string language = storedInterfaceLanguage(app::SettingsStore::defaultPath());
    installTranslations(app, language);
    applyInterfaceFont(language);
    TForm1 window;
    // A signal to end the program closes the window first, so that its
    // temporary files go as they do on an ordinary close.
    app::TerminationSignals terminations;
    QObject::connect(&terminations, &app::TerminationSignals::terminationRequested, &window, [&window] {
        window.close();
        QApplication::quit();
    });
    window.show();
    QStringList args = QApplication::arguments();
    args.removeFirst();
    // Inside the event loop, so that a signal during a long first load can
    // end the program: a quit before the loop runs would be lost.
    QTimer::singleShot(0, &window, [&window, args, afterCreate] {
        window.FormCreate(args);
        if (afterCreate)
            afterCreate(window);
    });
    return QApplication::exec();
}

} // namespace quillet::ui
