// The detail window ("明細書"): edits the itemised lines of one recorded
// expense. It works on the list entry itself (not on the expense panel's
// working copy), shows the total of the lines against the expense amount,
// and on closing drops blank lines and warns when the totals differ. The
// main window is disabled while it is open.
#pragma once

#include "model/article.h"
#include "ui/models/detail_table_model.h"

#include <optional>
#include "ui/widgets/entry_panel.h"

class Dialogs;
class Document;
struct SelectionLists;
class FlexGrid;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class DetailWindow : public EntryPanel {
    Q_OBJECT
public:
    // Edits the detail lines of `entry`, an expense of the document; the
    // main window stays disabled until the window closes.
    DetailWindow(Document &doc, SelectionLists &names, Dialogs &dialogs, const EntryPtr &entry,
              QWidget *mainWindow);

    void showEntry();
    void linesChanged();
    void gridClick();
    void fillArticleList();
    void addLine();
    void recordLine();
    void deleteLine();
    void cancelLine();
    // False when the user chose to review the lines (the window stays open).
    bool closeByUser();
    void lineNumberChanged();
    void amountChanged();
    // Closes without the question (the program is quitting).
    void forceUnload();

    static QString helpText();

    // The expense whose lines are open, as the document holds it now.
    EntryPtr detailArticle() const;
    // Lines in the grid, and the selected one (0: none).
    qint16 detailCount() const { return m_detailCount; }
    qint16 selectedDetailRow() const { return qint16(m_table.selectedRow()); }

signals:
    // The window closed; the main window refills its expense grid.
    void closedAndUnloaded();
    // The user left a line (another line, deleted, the window closed): its
    // undo step is complete.
    void lineFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    int handledRow() const override { return selectedDetailRow(); }
    int handledCol() const override { return editedDetailCol; }

private:
    QLabel *TitleDetailDate = nullptr;
    QLabel *LabelDetailDate = nullptr;
    QLabel *TitleDetailReceipt = nullptr;
    QLabel *LabelDetailReceipt = nullptr;
    QLabel *TitleDetailArticle = nullptr;
    QLabel *LabelDetailArticle = nullptr;
    QLabel *LabelDetailRest = nullptr;
    QLabel *LabelDetailAmount = nullptr;
    QLabel *LabelDetailSumCaption = nullptr;
    QLabel *LabelDetailSum = nullptr;
    QLabel *LabelDetailHelp = nullptr;
    QComboBox *ComboDetailArticle = nullptr;
    QLineEdit *TextDetailAmount = nullptr;
    QPushButton *CommandDetailClose = nullptr;

    // Editing state.
    std::optional<DetailLine> currentDetail; // working copy of the line being edited
    int sourceDetail = -1;     // the index of the line it was loaded from; -1 none
    qint16 m_detailCount = 0;
    qint16 editedDetailCol = 0;

    void setSumLabel();
    void enableMainWindow();
    // The lines being edited (empty when the expense has none).
    const DetailLines &lines() const;
    Document &m_doc;
    // The expense's key: each edit of its lines gives the document a new
    // value of it, under the same key.
    qint32 m_entryKey;
    SelectionLists &m_names;
    Dialogs &m_dialogs;
    QWidget *m_mainWindow;
    DetailTableModel m_table;
    bool m_closing = false;
};

