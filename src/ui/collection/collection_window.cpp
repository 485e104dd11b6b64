#include "ui/collection/collection_window.h"

#include "model/values.h"
#include "storage/roster_import.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/dialogs.h"
#include "ui/widgets/error_message.h"
#include "ui/widgets/panel_util.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

// Qt measures every section's text for the header's height; a year of
// hundreds of collections would lay out each header. They all have at most
// five lines: the first few sections and five lines' height decide it.
class CollectionHeader : public QHeaderView {
public:
    explicit CollectionHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}
    QSize sizeHint() const override
    {
        QSize hint(0, fontMetrics().height() * 5 + 8);
        for (int i = 0; i < std::min(count(), 4); ++i)
            hint = hint.expandedTo(sectionSizeFromContents(i));
        return hint;
    }
};

} // namespace

CollectionWindow::CollectionWindow(Document &doc, QUndoStack &undo, Dialogs &dialogs, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window), m_doc(doc), m_dialogs(dialogs), m_table(doc)
{
    setWindowTitle(QStringLiteral("集金"));
    setObjectName(QStringLiteral("collectionWindow"));
    resize(960, 640);

    auto *help = new QLabel(
        QStringLiteral("○ セルを選んで Space キー（またはダブルクリック）で 済／未、E キーで 免除、Delete キーで 未 にします。"
                       "済の日付は「受取日」です。\n"
                       "○ 出席番号と氏名は、ダブルクリックか F2 キーで直せます。出席番号を変えると並べ替えます。"),
        this);
    help->setWordWrap(true);
    auto *paidOnLabel = new QLabel(QStringLiteral("受取日(&D)"), this);
    m_paidOn = new DatePicker(this);
    m_paidOn->setValue(today());
    m_paidOn->setObjectName(QStringLiteral("paidOn"));
    paidOnLabel->setBuddy(m_paidOn);
    nameEditor(m_paidOn, QStringLiteral("受取日"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));

    m_view = new QTableView(this);
    m_view->setHorizontalHeader(new CollectionHeader(m_view));
    m_view->setObjectName(QStringLiteral("collectionTable"));
    m_view->setAccessibleName(QStringLiteral("集金の表"));
    m_view->setModel(&m_table);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_view->setTabKeyNavigation(false);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->horizontalHeader()->setMinimumSectionSize(40);
    m_view->setWordWrap(false);
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (m_table.isCollectionColumn(index.column()))
            guarded([this, index] { m_table.togglePaid(index, m_paidOn->Value()); });
    });
    installKeyFilter(m_view, [this](QKeyEvent *ke) {
        return ke->modifiers() == Qt::NoModifier && markKey(ke->key());
    });

    auto *importButton = new QPushButton(QStringLiteral("名簿の読み込み(&I)..."), this);
    auto *addButton = new QPushButton(QStringLiteral("生徒の追加(&A)"), this);
    m_removeButton = new QPushButton(QStringLiteral("名簿から外す(&R)"), this);
    m_matchButton = new QPushButton(QStringLiteral("生徒数を済の数に合わせる(&M)"), this);
    auto *printButton = new QPushButton(QStringLiteral("印刷(&P)"), this);
    auto *printMenu = new QMenu(printButton);
    for (int kind : {13, 14}) {
        const Printout printout = Printout::fromKind(kind);
        connect(printMenu->addAction(printout.title() + QStringLiteral("を印刷...")), &QAction::triggered, this,
                [this, printout] { emit printRequested(printout, false); });
        connect(printMenu->addAction(printout.title() + QStringLiteral("の印刷プレビュー...")), &QAction::triggered,
                this, [this, printout] { emit printRequested(printout, true); });
    }
    printButton->setMenu(printMenu);
    auto *closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    const std::pair<QPushButton *, const char *> names[] = {{importButton, "importRoster"}, {addButton, "addPupil"},
                                                            {m_removeButton, "removePupil"},
                                                            {m_matchButton, "matchPupils"}, {printButton, "print"},
                                                            {closeButton, "close"}};
    for (const auto &[b, name] : names)
        b->setObjectName(QLatin1String(name));
    connect(importButton, &QPushButton::clicked, this, [this] { guarded([this] { importRoster(); }); });
    connect(addButton, &QPushButton::clicked, this, [this] { guarded([this] { addPupil(); }); });
    connect(m_removeButton, &QPushButton::clicked, this, [this] { guarded([this] { removePupil(); }); });
    connect(m_matchButton, &QPushButton::clicked, this, [this] { guarded([this] { matchPupils(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    // Undo and redo here too: a mark is an edit of the account.
    QAction *undoAction = undo.createUndoAction(this, QStringLiteral("元に戻す"));
    undoAction->setShortcut(QKeySequence::Undo);
    QAction *redoAction = undo.createRedoAction(this, QStringLiteral("やり直し"));
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    addActions({undoAction, redoAction});

    auto *top = new QHBoxLayout;
    top->addWidget(paidOnLabel);
    top->addWidget(m_paidOn);
    top->addSpacing(16);
    top->addWidget(m_summary, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {importButton, addButton, m_removeButton, m_matchButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(printButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(help);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    connect(&m_table, &QAbstractItemModel::modelReset, this, [this] { showState(); });
    connect(&m_table, &QAbstractItemModel::dataChanged, this, [this] { showState(); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { showState(); });
    showState();
    m_view->setFocus();
}

bool CollectionWindow::guarded(const std::function<void()> &f)
{
    return runShowingErrors(m_dialogs, this, f);
}

void CollectionWindow::showState()
{
    const Roster &roster = m_doc.roster();
    const qint64 owed = m_table.totalOutstanding();
    m_summary->setText(roster.isEmpty()
                           ? QStringLiteral("名簿がありません。「名簿の読み込み」で学級の名簿（出席番号,氏名 の CSV）を読み込むか、"
                                            "「生徒の追加」で一人ずつ入れてください。")
                           : QStringLiteral("在籍 %1 人　未納の合計 ¥%2").arg(activePupils(roster)).arg(formatAmount(owed)));
    const QModelIndex current = m_view->currentIndex();
    const EntryPtr c = m_table.collectionAt(current.column());
    m_matchButton->setEnabled(c && (!c->marks || c->marks->unconfirmed || CollectionTableModel::pupilsDiffer(*c)));
    m_removeButton->setEnabled(m_table.pupilAt(current.row()) != nullptr);
}

bool CollectionWindow::markKey(int key)
{
    const QModelIndex index = m_view->currentIndex();
    if (!m_table.isCollectionColumn(index.column()))
        return false;
    switch (key) {
    case Qt::Key_Space:
        guarded([&] { m_table.togglePaid(index, m_paidOn->Value()); });
        return true;
    case Qt::Key_E:
        guarded([&] { m_table.toggleExempt(index); });
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        guarded([&] { m_table.setUnpaid(index); });
        return true;
    default:
        return false;
    }
}

void CollectionWindow::importRoster()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("名簿の読み込み");
    request.filter = QStringLiteral("CSVファイル (*.csv)|*.csv|すべてのﾌｧｲﾙ (*.*)|*");
    request.start = m_doc.fileName().isEmpty() ? QString() : QFileInfo(m_doc.fileName()).absolutePath();
    const QString path = m_dialogs.openFileName(this, request);
    if (!path.isEmpty())
        importRosterFile(path);
}

void CollectionWindow::importRosterFile(const QString &path)
{
    const Roster listed = readRosterCsv(path, nextPupilId(m_doc.roster()));
    m_doc.setRoster(mergedRoster(m_doc.roster(), listed, [this](qint32 id) { return m_doc.hasMarks(id); }));
    int unconfirmed = 0;
    for (const EntryPtr &e : m_doc.entries().ofKind(true))
        unconfirmed += e->marks && e->marks->unconfirmed ? 1 : 0;
    if (unconfirmed > 0)
        m_dialogs.info(this,
                       QStringLiteral("生徒数が名簿の人数と違う集金が %1 件あります。"
                                      "だれが払ったか分からないため「未確認」にしています。済の印を付けてください。")
                           .arg(unconfirmed),
                       Dialogs::Icon::Information);
}

void CollectionWindow::addPupil()
{
    Roster roster = m_doc.roster();
    qint16 number = 0;
    for (const Pupil &p : roster)
        number = std::max(number, p.number);
    if (number == 32767)
        throw HarumokaError(QStringLiteral("これ以上生徒を追加できません。"));
    roster.append(Pupil{nextPupilId(roster), qint16(number + 1), QStringLiteral("（氏名）"), false});
    m_doc.setRoster(roster);
    const QModelIndex name = m_table.index(m_table.rowCount() - 1, CollectionTableModel::kNameColumn);
    m_view->setFocus(Qt::OtherFocusReason); // the name is typed straight away
    m_view->setCurrentIndex(name);
    m_view->edit(name);
}

void CollectionWindow::removePupil()
{
    const Pupil *pupil = m_table.pupilAt(m_view->currentIndex().row());
    if (!pupil)
        return;
    const Pupil gone = *pupil;
    const bool marked = m_doc.hasMarks(gone.id);
    const QString question = marked
        ? QStringLiteral("%1 %2 を転出にしますか？\r集金の記録があるため、名簿には「転出」として残します。")
        : QStringLiteral("%1 %2 を名簿から外しますか？");
    if (m_dialogs.message(this, question.arg(gone.number).arg(gone.name), Dialogs::Buttons::YesNo,
                          Dialogs::Icon::Question)
        != Dialogs::Answer::Yes)
        return;
    Roster roster = m_doc.roster();
    for (qsizetype i = 0; i < roster.size(); ++i) {
        if (roster[i].id != gone.id)
            continue;
        if (marked)
            roster[i].movedOut = true;
        else
            roster.removeAt(i);
        break;
    }
    m_doc.setRoster(roster);
}

void CollectionWindow::matchPupils()
{
    if (const EntryPtr c = m_table.collectionAt(m_view->currentIndex().column()))
        m_doc.matchPupilsToMarks(c->key);
}
