#include "app/startup.h"

#include "ui/detail/frmdetail.h"
#include "ui/window/frmmain.h"

std::unique_ptr<frmMain> Main(Dialogs &dialogs, const QString &settingsFilePath)
{
    auto window = std::make_unique<frmMain>(dialogs, settingsFilePath);
    frmMain *w = window.get();
    QObject::connect(w, &frmMain::detailWindowRequested, w, [w, &dialogs](const EntryPtr &entry) {
        const bool opened = w->guarded([&] {
            auto *detail = new frmDetail(w->document(), w->selectionLists(), dialogs, entry, w->rowHeightUnit(), w);
            detail->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(detail, &frmDetail::closedAndUnloaded, w,
                             [w] { w->guarded([w] { w->Form_Activate(); }); });
            QObject::connect(w, &frmMain::unloading, detail, &frmDetail::forceUnload);
            detail->setEnabled(true);
            detail->show();
        });
        if (!opened)
            w->setEnabled(true);
    });
    window->show();
    return window;
}
