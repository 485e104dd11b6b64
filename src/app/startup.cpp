#include "app/startup.h"

#include "print/printouts.h"
#include "ui/collection/collection_window.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/error_message.h"
#include "ui/widgets/panel_util.h"
#include "ui/window/main_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

// Quits after the first paint of the watched window has finished.
class QuitAfterPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_quitting) {
            m_quitting = true;
            // Queued: the paint under way (the window and its children) ends
            // first. Then out at once: taking the windows down is no part of
            // starting up.
            QTimer::singleShot(0, qApp, [] {
                std::fflush(nullptr);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool m_quitting = false;
};

} // namespace

void quitWhenReadyIfAsked(QWidget &window)
{
    if (qEnvironmentVariableIsEmpty("HARUMOKA_EXIT_WHEN_READY"))
        return;
    window.installEventFilter(new QuitAfterPaint(&window));
    window.update();
}

std::unique_ptr<MainWindow> Main(Dialogs &dialogs, const QString &settingsFilePath)
{
    installAccessibleNames();
    removeStaleExportTemporaries();
    auto window = std::make_unique<MainWindow>(dialogs, settingsFilePath);
    MainWindow *w = window.get();
    QObject::connect(w, &MainWindow::detailWindowRequested, w, [w, &dialogs](const EntryPtr &entry) {
        const bool opened = w->guarded([&] {
            auto *detail = new DetailWindow(w->document(), w->selectionLists(), dialogs, entry, w);
            detail->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(detail, &DetailWindow::closedAndUnloaded, w,
                             [w] { w->guarded([w] { w->activated(); }); });
            QObject::connect(w, &MainWindow::unloading, detail, &DetailWindow::forceUnload);
            QObject::connect(detail, &DetailWindow::lineFinished, w, [w] { w->finishUndoStep(); });
            detail->setEnabled(true);
            detail->show();
        });
        if (!opened)
            w->setEnabled(true);
    });
    QObject::connect(w, &MainWindow::collectionWindowRequested, w, [w, &dialogs] {
        // One 集金 window, brought to the front when asked again.
        auto *shown = w->findChild<CollectionWindow *>();
        if (!shown) {
            shown = new CollectionWindow(w->document(), w->session().undoStack(), dialogs, w);
            shown->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(w, &MainWindow::unloading, shown, &QWidget::close);
            QObject::connect(shown, &CollectionWindow::printRequested, w, [w, shown](const Printout &p, bool preview) {
                runShowingErrors(w->dialogs(), shown, [&] { w->printPrintout(p, preview, shown); });
            });
        }
        shown->show();
        shown->raise();
        shown->activateWindow();
    });
    window->show();
    return window;
}
