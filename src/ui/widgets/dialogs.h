#pragma once

#include <QString>
#include <functional>

class QWidget;
class QPrinter;

// Everything modal goes through this interface: message boxes, file
// dialogs, the print and page-setup dialogs and the print preview. The
// program uses QtDialogs; tests use a scripted implementation that answers
// in order and fails on any question it did not expect.
class Dialogs {
public:
    enum class Answer { Ok, Yes, No, Cancel, Delete };
    // YesNoCancel: Escape and the window's close button answer Cancel.
    // YesNoDelete: はい, いいえ and 削除; Escape answers No.
    enum class Buttons { Ok, YesNo, YesNoCancel, YesNoDelete };
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget *parent, const QString &text, Buttons buttons,
                           Icon icon = Icon::None, const QString &title = QString()) = 0;
    // A file dialog: its title, its filters in the "label|pattern|label|pattern"
    // form (the user sees each label exactly as given; the pattern decides
    // what is listed), where it starts (a folder, or a whole suggested path),
    // the suffix a save dialog adds to a name typed without one ("csv"; empty
    // adds none), and which filter is selected at first (0-based).
    struct FileRequest {
        QString title;
        QString filter;
        QString start;
        QString defaultSuffix;
        int selectedFilter = 0;
    };
    // An empty result means cancelled. A file the user chose makes its folder
    // the last one used (rememberDialogFolder).
    virtual QString openFileName(QWidget *parent, const FileRequest &request) = 0;
    // `chosenFilter`, when given, receives the index of the filter the user left selected.
    virtual QString saveFileName(QWidget *parent, const FileRequest &request, int *chosenFilter = nullptr) = 0;
    // False when cancelled.
    virtual bool pageSetup(QWidget *parent, QPrinter *printer) = 0;
    // `pdfFileName` is the file proposed for printing to a PDF file; choosing
    // a printer still prints on paper.
    virtual bool printDialog(QWidget *parent, QPrinter *printer, const QString &title,
                             const QString &pdfFileName) = 0;
    // Shows `paint` in a preview window; false when the preview was closed without printing.
    virtual void printPreview(QWidget *parent, QPrinter *printer,
                              const std::function<void(QPrinter *)> &paint) = 0;

    // Convenience for the common OK message.
    void info(QWidget *parent, const QString &text, Icon icon = Icon::None)
    {
        message(parent, text, Buttons::Ok, icon);
    }
};

// "すべてのﾌｧｲﾙ (*.*)|*" -> "すべてのﾌｧｲﾙ (*.*) (*)": Qt's filter form, which
// takes the patterns from the last parentheses; a dialog that hides those
// ("name filter details") shows the label exactly.
QString qtFileFilter(const QString &filter);
