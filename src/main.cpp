#include "app/application.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/startup.h"
#include "ui/main/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);
    QtDialogs dialogs;
    Module1 m;
    auto window = Main(m, dialogs);
    const QStringList args = QApplication::arguments();
    if (args.size() > 1)
        window->guarded([&] { window->openFile(args.at(1)); });
    return app.exec();
}
