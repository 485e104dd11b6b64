#include "app/startup.h"

#include "app/module1.h"
#include "ui/main/frmmain.h"

std::unique_ptr<frmMain> Main(Module1 &m, Dialogs &dialogs)
{
    m.clearCounters();
    auto window = std::make_unique<frmMain>(m, dialogs);
    m.fillPeriodTitles();
    window->show();
    return window;
}
