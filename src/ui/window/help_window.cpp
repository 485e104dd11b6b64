#include "ui/window/help_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

bool HelpWindow::show(QWidget *parent, const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("ﾍﾙﾌﾟﾌｧｲﾙ「%1」を開けません。").arg(fileName);
        return false;
    }
    const QString html = QString::fromUtf8(file.readAll());
    // One help window at a time: bring the open one forward.
    if (parent) {
        if (auto *open = parent->findChild<QDialog *>(QStringLiteral("helpWindow"))) {
            open->raise();
            open->activateWindow();
            return true;
        }
    }
    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("helpWindow"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("ハルモカ ヘルプ"));
    auto *browser = new QTextBrowser(dialog);
    browser->setOpenExternalLinks(false);
    browser->setHtml(html);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    dialog->resize(720, 640);
    dialog->show();
    return true;
}
