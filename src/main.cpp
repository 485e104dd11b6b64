#include "app/application.h"
#include "app/module1.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);
    Module1 m;
    auto window = Main(m);
    return app.exec();
}
