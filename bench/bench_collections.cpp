// The 集金 window at a size far beyond a class: 1,000 pupils × 200
// collections. Opening the window (the table model and a view over it,
// shown) and one mark (the entry replaced, the model's column and header
// told) are timed in CPU; a mark must stay flat whichever pupil it is.
#include "bench_support.h"

#include "model/document.h"
#include "ui/collection/collection_window.h"
#include "support/silent_dialogs.h"

#include <QApplication>
#include <QTableView>
#include <QUndoStack>
#include <benchmark/benchmark.h>

namespace {

// A document of `pupils` pupils and `collections` collections of 1,500
// yen, everyone paid (the roster made after the collections).
std::unique_ptr<Document> classOf(int pupils, int collections)
{
    std::vector<EntryPtr> entries;
    for (int c = 0; c < collections; ++c) {
        auto e = std::make_shared<Entry>();
        e->income = true;
        e->date = makeDate(QDate(2026, 4, 1).addDays(c));
        e->article = QStringLiteral("学級費");
        e->breakdown = QStringLiteral("%1回目").arg(c + 1);
        e->perPupil = 1500;
        e->pupils = qint16(pupils);
        e->amount = 1500 * pupils;
        e->key = c + 1;
        entries.push_back(e);
    }
    auto doc = std::make_unique<Document>();
    doc->load(EntryList(entries), AccountTitle(), collections + 1, false, QString());
    Roster roster;
    for (int p = 1; p <= pupils; ++p)
        roster.append(Pupil{p, qint16(p), QStringLiteral("生徒 %1").arg(p), false});
    doc->setRoster(roster);
    return doc;
}

void BM_Collections_OpenWindow(benchmark::State &state)
{
    const auto doc = classOf(int(state.range(0)), int(state.range(1)));
    QUndoStack undo;
    SilentDialogs dialogs(true);
    for (auto _ : state) {
        CollectionWindow window(*doc, undo, dialogs, nullptr);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.view()->model()->rowCount());
    }
}
BENCHMARK(BM_Collections_OpenWindow)->Args({40, 40})->Args({1000, 200})->Unit(benchmark::kMillisecond);

void BM_Collections_OneMark(benchmark::State &state)
{
    const auto doc = classOf(int(state.range(0)), int(state.range(1)));
    QUndoStack undo;
    SilentDialogs dialogs(true);
    CollectionWindow window(*doc, undo, dialogs, nullptr);
    window.show();
    QApplication::processEvents();
    CollectionTableModel &table = window.table();
    // The last pupil on the middle collection, back and forth.
    const QModelIndex cell = table.index(table.rowCount() - 1, CollectionTableModel::kFirstCollection + int(state.range(1) / 2));
    for (auto _ : state)
        table.togglePaid(cell, QDate(2026, 5, 10));
}
BENCHMARK(BM_Collections_OneMark)->Args({40, 40})->Args({1000, 200})->Unit(benchmark::kMicrosecond);

} // namespace
