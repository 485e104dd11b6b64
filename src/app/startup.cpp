#include "app/startup.h"

#include "app/module1.h"

#include <QMainWindow>

std::unique_ptr<QWidget> Main(Module1 &m)
{
    m.clearCounters();
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QStringLiteral("ハルモカ　Ver1.0.11"));
    m.mainWindow = window.get();
    m.fillPeriodTitles();
    window->show();
    return window;
}
