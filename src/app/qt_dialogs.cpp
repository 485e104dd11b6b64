#include "app/application.h"
#include "app/qt_dialogs.h"
#include "model/version.h"
#include "ui/window/file_requests.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

QString qtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // The pattern always goes in parentheses of its own after the label:
        // Qt lists by the last parentheses, which the label may hold too.
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

namespace {

QString runFileDialog(QWidget *parent, const Dialogs::FileRequest &request, QFileDialog::AcceptMode mode,
                      int *chosenFilter)
{
    QFileDialog dialog(parent, request.title, request.start);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Each filter shows its label alone, exactly as the program words it.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = qtFileFilter(request.filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    dialog.setNameFilters(filters);
    if (request.selectedFilter > 0 && request.selectedFilter < filters.size())
        dialog.selectNameFilter(filters.at(request.selectedFilter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (chosenFilter)
        *chosenFilter = std::max<int>(0, int(filters.indexOf(dialog.selectedNameFilter())));
    const QString file = dialog.selectedFiles().constFirst();
    rememberDialogFolder(file);
    return file;
}

} // namespace

Dialogs::Answer QtDialogs::message(QWidget *parent, const QString &text, Buttons buttons, Icon icon,
                                   const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? QString::fromUtf8(kAppTitle) : title);
    // Message texts join their lines with a carriage return.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: break;
    }
    QAbstractButton *deleteButton = nullptr;
    switch (buttons) {
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        // Escape and the close button give Cancel: nothing is thrown away by accident.
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNoDelete:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        deleteButton = box.addButton(QStringLiteral("削除"), QMessageBox::DestructiveRole);
        break;
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int r = box.exec();
    if (deleteButton && box.clickedButton() == deleteButton)
        return Answer::Delete;
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (r == QMessageBox::Yes)
        return Answer::Yes;
    if (r == QMessageBox::No)
        return Answer::No;
    return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
}

QString QtDialogs::openFileName(QWidget *parent, const FileRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptOpen, nullptr);
}

QString QtDialogs::saveFileName(QWidget *parent, const FileRequest &request, int *chosenFilter)
{
    return runFileDialog(parent, request, QFileDialog::AcceptSave, chosenFilter);
}

bool QtDialogs::pageSetup(QWidget *parent, QPrinter *printer)
{
    QPageSetupDialog dialog(printer, parent);
    dialog.setWindowTitle(QStringLiteral("ﾍﾟｰｼﾞ設定"));
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::printDialog(QWidget *parent, QPrinter *printer, const QString &title, const QString &pdfFileName)
{
    QPrintDialog dialog(printer, parent);
    dialog.setWindowTitle(title);
    // Qt's own dialog on Linux proposes "print.pdf" in the folder the program
    // was started from; the file field is its "filename" line edit. Setting
    // the printer's output file instead would make PDF the chosen printer.
    if (!pdfFileName.isEmpty()) {
        if (auto *file = dialog.findChild<QLineEdit *>(QStringLiteral("filename")))
            file->setText(QDir::toNativeSeparators(pdfFileName));
    }
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::printPreview(QWidget *parent, QPrinter *printer,
                             const std::function<void(QPrinter *)> &paint)
{
    QPrintPreviewDialog dialog(printer, parent);
    dialog.setWindowTitle(QStringLiteral("印刷プレビュー"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter *p) { paint(p); });
    dialog.resize(900, 1000);
    dialog.exec();
}
