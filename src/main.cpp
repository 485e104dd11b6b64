#include "app/application.h"
#include "app/cli.h"
#include "app/qt_dialogs.h"
#include "app/startup.h"
#include "ui/window/main_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // An export needs no window: without a display it runs on the offscreen platform.
    const bool headless = wantsHeadless(argc, argv);
    if (headless)
        keepQtNotesOffStandardError();
    if (headless && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setupApplication(app);
    const CommandLine cl = parseCommandLine(QApplication::arguments());
    if (cl.headless() || cl.help || cl.version || !cl.error.isEmpty())
        return runHeadless(cl);

    QtDialogs dialogs;
    auto window = Main(dialogs);
    // Work a crashed run left unsaved comes first; a file named on the
    // command line opens when nothing was restored.
    bool restored = false;
    window->guarded([&] { restored = window->documentCommands().offerRecovery(); });
    if (!restored && !cl.file.isEmpty())
        window->guarded([&] { window->documentCommands().openFile(cl.file); });
    quitWhenReadyIfAsked(*window);
    return app.exec();
}
