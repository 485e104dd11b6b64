// What desktop users expect of a document window, beyond the design: the
// usual keys for saving and quitting, the open file's name with an unsaved
// mark, and バージョン情報. Kept apart from the document commands, which these
// only call.
#include "ui/window/main_window.h"

#include "model/version.h"
#include "storage/account_file.h"
#include "storage/recovery.h"
#include "ui/widgets/dialogs.h"
#include "ui/window/document_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QToolBar>

namespace {

const QString kUnnamed = QStringLiteral("名前のない会計");

} // namespace

void MainWindow::addDesktopConventions()
{
    mnuFileSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Ctrl+S belongs to 上書き保存, which is unavailable while the account has
    // no name (or may not be overwritten): then it asks for a name, as
    // 名前を付けて保存 does. Only one of the two is enabled at a time, so the
    // key is never ambiguous.
    auto *saveWithoutName = new QAction(this);
    saveWithoutName->setShortcut(QKeySequence::Save);
    addAction(saveWithoutName);
    auto follow = [this, saveWithoutName] {
        saveWithoutName->setEnabled(!mnuFileSave->isEnabled() && mnuFileSaveAs->isEnabled());
    };
    connect(mnuFileSave, &QAction::enabledChanged, this, follow);
    connect(mnuFileSaveAs, &QAction::enabledChanged, this, follow);
    follow();
    connect(saveWithoutName, &QAction::triggered, this, [this] { guarded([this] { m_commands->saveAs(); }); });

    QMenu *help = qobject_cast<QMenu *>(mnuHelp->menu());
    help->addSeparator();
    mnuHelpAbout = help->addAction(QStringLiteral("バージョン情報(&A)"));
    connect(mnuHelpAbout, &QAction::triggered, this, [this] { guarded([this] { showAbout(); }); });

    // The file's name at the toolbar's end, beside the read-only notice;
    // the caption stays the program's.
    documentName = new QLabel(tbToolBar);
    documentName->setObjectName(QStringLiteral("documentName"));
    documentName->setStyleSheet(QStringLiteral("QLabel { padding: 0 8px; }"));
    tbToolBar->addWidget(documentName);
    connect(&m_doc, &Document::changed, this, [this] { showDocumentName(); });
    connect(&m_doc, &Document::modifiedChanged, this, [this] { showDocumentName(); });
    connect(mnuFileSave, &QAction::enabledChanged, this, [this] { showDocumentName(); });
    showDocumentName();
}

QString MainWindow::openFileName() const
{
    return m_commands->openFileName();
}

void MainWindow::showDocumentName()
{
    if (!documentName)
        return;
    const QString file = openFileName();
    const bool unsaved = m_doc.isModified();
    const QString name = file.isEmpty() ? kUnnamed : QFileInfo(file).fileName();
    const QString mark = unsaved ? QStringLiteral("（未保存）") : QString();
    // A long name is shortened in the middle; the tooltip has the whole path.
    const int room = documentName->fontMetrics().horizontalAdvance(QStringLiteral("あ")) * 16;
    documentName->setText(documentName->fontMetrics().elidedText(name, Qt::ElideMiddle, room) + mark);
    QString tip = file.isEmpty() ? QStringLiteral("まだ名前を付けて保存していません") : QDir::toNativeSeparators(file);
    if (unsaved)
        tip += QStringLiteral("\n保存していない変更があります");
    documentName->setToolTip(tip);
    documentName->setAccessibleName(QStringLiteral("開いている会計: ") + name
                                    + (unsaved ? QStringLiteral("、保存していない変更があります") : QString()));
    documentName->setAccessibleDescription(file.isEmpty() ? QString() : QDir::toNativeSeparators(file));
}

QString MainWindow::aboutText() const
{
    const auto shown = [](const QString &path) { return QDir::toNativeSeparators(path); };
    const QString file = openFileName();
    // The package and the installs put the copyright beside the program's share folder.
    const QString copyright = QDir(QCoreApplication::applicationDirPath())
                                  .absoluteFilePath(QStringLiteral("../share/doc/harumoka/copyright"));
    QStringList lines = {
        versionCaption(),
        QStringLiteral("学級の一年間の会計をつけ、元帳と会計報告を印刷するプログラムです。"),
        QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion())),
        QString(),
        QStringLiteral("ライセンス: MIT ライセンス")
            + (QFileInfo::exists(copyright) ? QStringLiteral("（全文: %1）").arg(shown(QDir::cleanPath(copyright)))
                                            : QString()),
        QString(),
        QStringLiteral("会計のファイル: ")
            + (file.isEmpty() ? QStringLiteral("まだ名前がありません（「名前を付けて保存」で決めます）") : shown(file)),
    };
    if (!file.isEmpty())
        lines << QStringLiteral("前の内容（バックアップ）: ") + shown(backupFileName(file));
    lines << QStringLiteral("入力した項目名: ")
                 + shown(m_commands->settingsFilePath())
          << QStringLiteral("ウィンドウの位置、最近使ったファイルなど: ")
                 + shown(QSettings(QString::fromUtf8(kAppTitle), QString::fromUtf8(kAppTitle)).fileName())
          << QStringLiteral("保存していない変更のコピー: ") + shown(recoveryFolder());
    return lines.join(QLatin1Char('\r'));
}

void MainWindow::showAbout()
{
    m_dialogs.message(this, aboutText(), Dialogs::Buttons::Ok, Dialogs::Icon::Information,
                      QStringLiteral("バージョン情報"));
}
