// Timings of everything that grows with the size of an account, each on
// generated accounts of 300, 3,000 and 30,000 entries, with a floor to
// compare them with: reading and decoding the same file into text lines.
#include "account_generator.h"
#include "bench_support.h"

#include "model/document.h"
#include "model/values.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "storage/safe_save.h"
#include "summary/summaries.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QFileInfo>
#include <QUndoStack>
#include <QLineEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(300)->Arg(3000)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void perEntry(benchmark::State &state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// An account read once per size and kept for the benchmarks that start
// from a loaded document.
struct OpenAccount {
    Document doc;
};

OpenAccount &loaded(int entries)
{
    static std::map<int, std::unique_ptr<OpenAccount>> cache;
    auto &slot = cache[entries];
    if (!slot) {
        slot = std::make_unique<OpenAccount>();
        readAccountFile(accountFile(entries), slot->doc);
        // Every receipt's detail lines add up, as the print command wants.
        if (findDetailMismatch(slot->doc.entries()) != 0)
            qFatal("generated account: detail lines that do not add up");
    }
    return *slot;
}

PrintSettings printSettingsOf(const Document &doc)
{
    PrintSettings ps(doc.title());
    ps.printDate = QDate(2026, 3, 24);
    return ps;
}

// ---- floor ----------------------------------------------------------------------

// The least any reader must do: the file's bytes, decoded, cut into lines.
void BM_Floor_ReadDecodeLines(benchmark::State &state)
{
    const QString path = accountFile(int(state.range(0)));
    for (auto _ : state) {
        QByteArray bytes;
        bool tooLarge = false;
        QString error;
        if (!readFileLimited(path, kMaxAccountFileBytes, bytes, &tooLarge, &error)) {
            state.SkipWithError("cannot read the account file");
            break;
        }
        Cp932Codec codec;
        QString text;
        codec.decode(bytes, text);
        const QStringList lines = splitLines(text);
        benchmark::DoNotOptimize(lines.size());
    }
    perEntry(state);
    state.counters["file_KiB"] = double(QFileInfo(path).size()) / 1024.0;
}
BENCHMARK(BM_Floor_ReadDecodeLines)->Apply(sizes);

// ---- opening through the window ------------------------------------------------------

// File to filled grids, summaries and receipt list on a just-started program.
void BM_Open_LoadArticleFile(benchmark::State &state)
{
    const int entries = int(state.range(0));
    const QString path = accountFile(entries);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<ProgramWindow>();
        state.ResumeTiming();

        program->w->documentCommands().loadArticleFile(path);
        settle();

        state.PauseTiming();
        const bool ok = program->w->document().incomeCount() + program->w->document().supplyCount() == entries
            && program->dialogs.messages.isEmpty();
        program.reset();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the account did not load completely");
            break;
        }
    }
    perEntry(state);
}
BENCHMARK(BM_Open_LoadArticleFile)->Apply(sizes);

// ---- storage ------------------------------------------------------------------------

void BM_Reader_ReadAccountFile(benchmark::State &state)
{
    const QString path = accountFile(int(state.range(0)));
    for (auto _ : state) {
        auto m = std::make_unique<LoadedAccount>();
        AccountHeader header;
        readAccountFile(path, *m, header);
        // In the document's order, as Open takes them.
        const EntryList entries = m->entries();
        benchmark::DoNotOptimize(entries.size());
        state.PauseTiming();
        m.reset();
        state.ResumeTiming();
    }
    perEntry(state);
}
BENCHMARK(BM_Reader_ReadAccountFile)->Apply(sizes);

// Encoding plus the safe save (temporary file, flush, rename, backup).
void BM_Writer_WriteAccountFile(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    const QString path = scratchPath(QStringLiteral("written-%1.txt").arg(state.range(0)));
    for (auto _ : state)
        writeAccountFile(path, a.doc.title(), a.doc.entries());
    perEntry(state);
}
BENCHMARK(BM_Writer_WriteAccountFile)->Apply(sizes);

void BM_Writer_EncodeOnly(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    for (auto _ : state) {
        const QByteArray bytes = encodeAccountFile(a.doc.title(), a.doc.entries());
        benchmark::DoNotOptimize(bytes.size());
    }
    perEntry(state);
}
BENCHMARK(BM_Writer_EncodeOnly)->Apply(sizes);

// ---- summaries and grids ------------------------------------------------------------

void BM_RefreshSummaries(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    PeriodSummaries sums;
    for (auto _ : state)
        sums = computeSummaries(a.doc.entries(), QString());
    perEntry(state);
    // Lines of the year's two period lists: what the merging works against.
    state.counters["year_lines"] = double(sums[Year].supplyList.size() + sums[Year].incomeList.size());
}
BENCHMARK(BM_RefreshSummaries)->Apply(sizes);

// Both entry grids with every row in (fetched, measured and laid out), on a
// just-started window: what scrolling to the end of a long account costs.
void BM_FillEntryGrids(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<ProgramWindow>();
        program->w->document().load(a.doc.entries(), a.doc.title(), a.doc.nextArticleKey(), false,
                                    QString());
        IncomeSheet *income = part<IncomeSheet>(*program->w, "incomeSheet");
        ExpenseSheet *supply = part<ExpenseSheet>(*program->w, "expenseSheet");
        settle();
        state.ResumeTiming();

        income->table().fetchAll();
        supply->table().fetchAll();
        settle();

        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
    perEntry(state);
}
BENCHMARK(BM_FillEntryGrids)->Apply(sizes);

// One edit on an open account, through the widgets: click the amount cell
// of an income row in the middle, type a new amount, press 登録 (record).
// The entry goes back to its row and the grid is refilled. `shown`: the
// income sheet in front, so that its repainting counts too; otherwise the
// window stays on the sheet it opens on.
void recordIncomeAmount(benchmark::State &state, bool shown)
{
    const int entries = int(state.range(0));
    auto program = std::make_unique<ProgramWindow>();
    program->w->documentCommands().loadArticleFile(accountFile(entries));
    settle();
    if (shown) {
        part<QTabWidget>(*program->w, "SSTabSheets")->setCurrentIndex(1);
        settle();
    }
    IncomeSheet *sheet = part<IncomeSheet>(*program->w, "incomeSheet");
    auto *grid = part<FlexGrid>(*sheet, "MSFlexGridIncome");
    auto *amountBox = part<QLineEdit>(*sheet, "TextIncomeAmount");
    auto *recordButton = part<QPushButton>(*sheet, "CommandIncomeRecord");
    const int row = std::max(1, program->w->document().incomeCount() / 2);
    int amount = 1000;
    for (auto _ : state) {
        grid->clickCell(row, 6);
        amountBox->setText(QString::number(amount += 10));
        recordButton->click();
        settle();
    }
    if (!program->dialogs.messages.isEmpty())
        state.SkipWithError("the edit asked a question");
    else if (grid->TextMatrix(row, 6) != formatAmount(amount))
        state.SkipWithError("the edit was not recorded in its row");
    perEntry(state);
}

void BM_Edit_RecordIncomeAmount(benchmark::State &state)
{
    recordIncomeAmount(state, false);
}
BENCHMARK(BM_Edit_RecordIncomeAmount)->Apply(sizes);

void BM_Edit_RecordIncomeAmount_SheetShown(benchmark::State &state)
{
    recordIncomeAmount(state, true);
}
BENCHMARK(BM_Edit_RecordIncomeAmount_SheetShown)->Apply(sizes);

// Undo of that edit: the entry back in its row, grid and remainder refreshed
// (redoing it again is not timed).
void BM_Edit_Undo(benchmark::State &state)
{
    const int entries = int(state.range(0));
    auto program = std::make_unique<ProgramWindow>();
    program->w->documentCommands().loadArticleFile(accountFile(entries));
    settle();
    IncomeSheet *sheet = part<IncomeSheet>(*program->w, "incomeSheet");
    const int row = std::max(1, program->w->document().incomeCount() / 2);
    part<FlexGrid>(*sheet, "MSFlexGridIncome")->clickCell(row, 6);
    part<QLineEdit>(*sheet, "TextIncomeAmount")->setText(QStringLiteral("123456"));
    part<QPushButton>(*sheet, "CommandIncomeRecord")->click();
    settle();
    QUndoStack &undo = program->w->undoStack();
    for (auto _ : state) {
        undo.undo();
        settle();
        state.PauseTiming();
        undo.redo();
        settle();
        state.ResumeTiming();
    }
    if (undo.count() != 1 || !program->dialogs.messages.isEmpty())
        state.SkipWithError("the edit did not make one undo step");
    perEntry(state);
}
BENCHMARK(BM_Edit_Undo)->Apply(sizes);

// The income sheet shown for the first time after opening: its grid fills then.
void BM_FirstShow_IncomeSheet(benchmark::State &state)
{
    const int entries = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<ProgramWindow>();
        program->w->documentCommands().loadArticleFile(accountFile(entries));
        settle();
        auto *tabs = part<QTabWidget>(*program->w, "SSTabSheets");
        state.ResumeTiming();

        tabs->setCurrentIndex(1);
        settle();

        state.PauseTiming();
        const bool ok = part<FlexGrid>(*program->w, "MSFlexGridIncome")->TextMatrix(1, 1).size() == 10;
        program.reset();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the income grid was not filled");
            break;
        }
    }
    perEntry(state);
}
BENCHMARK(BM_FirstShow_IncomeSheet)->Apply(sizes);

// ---- printouts ----------------------------------------------------------------------

// The year ledger laid out page by page on the recording surface (putting
// the two kinds in date order included).
void BM_YearLedger_Recording(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    const PrintSettings ps = printSettingsOf(a.doc);
    const PeriodSummaries sums = printSummaries(a.doc, ps);
    int pages = 0;
    for (auto _ : state) {
        auto s = std::make_unique<RecordingSurface>();
        printKindOn(a.doc, sums, *s, ps, Printout::fromKind(11));
        pages = s->pageCount();
        // Throwing the recording away is not part of laying the ledger out.
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
    perEntry(state);
    state.counters["pages"] = pages;
}
BENCHMARK(BM_YearLedger_Recording)->Apply(sizes);

void BM_YearLedger_LayoutOnly(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    const PrintSettings ps = printSettingsOf(a.doc);
    const PeriodSummaries sums = printSummaries(a.doc, ps);
    // The layout's own cost, without the record of 150,000 texts: what the
    // rehearsal before a printer or the preview does.
    for (auto _ : state) {
        RehearsalSurface s;
        printKindOn(a.doc, sums, s, ps, Printout::fromKind(11));
        benchmark::DoNotOptimize(s.pageEnds());
    }
    perEntry(state);
}
BENCHMARK(BM_YearLedger_LayoutOnly)->Apply(sizes);

// The year ledger as a PDF file, as the export writes it: summaries
// refreshed, painted by QPrinter into a temporary file, the file saved.
void BM_YearLedger_Pdf(benchmark::State &state)
{
    OpenAccount &a = loaded(int(state.range(0)));
    const PrintSettings ps = printSettingsOf(a.doc);
    const QString path = scratchPath(QStringLiteral("ledger-%1.pdf").arg(state.range(0)));
    for (auto _ : state)
        exportPdf(a.doc, ps, Printout::fromKind(11), path);
    perEntry(state);
    state.counters["pdf_KiB"] = double(QFileInfo(path).size()) / 1024.0;
}
BENCHMARK(BM_YearLedger_Pdf)->Apply(sizes);

// ---- the longest breakdown -------------------------------------------------------

// One income entry with a breakdown of state.range(0) characters, up to the
// longest a file holds (32,767): the year ledger and the year report wrap
// it into some two thousand lines. Wrapping once re-measured the whole rest
// of the text for every line, which took many seconds; the growth from
// 4,096 to 32,767 characters shows whether it is linear again.
struct LongBreakdown {
    Document doc;
    PrintSettings ps;
    PeriodSummaries sums;
    explicit LongBreakdown(qsizetype length)
    {
        auto e = std::make_shared<Entry>();
        e->income = true;
        e->date = makeDate(QDate(2026, 5, 1));
        e->article = QStringLiteral("遠足");
        e->breakdown = QStringLiteral("バス代12,345円・ｶﾞｲﾄﾞ料、").repeated(length / 16 + 1).left(length);
        e->amount = 1000;
        doc.recordEntry(*e, nullptr);
        ps.printDate = QDate(2026, 3, 24);
        sums = printSummaries(doc, ps);
    }
};

void breakdownLengths(benchmark::internal::Benchmark *b)
{
    b->Arg(4096)->Arg(kMaxLineLength)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The argument is not a number of entries: --table puts these apart.
void breakdownLabel(benchmark::State &state)
{
    state.SetLabel("breakdown length in characters");
}

void longBreakdownRecording(benchmark::State &state, int printKind)
{
    LongBreakdown a(state.range(0));
    const Printout printout = Printout::fromKind(printKind);
    for (auto _ : state) {
        RecordingSurface s;
        printKindOn(a.doc, a.sums, s, a.ps, printout);
    }
    breakdownLabel(state);
}
void BM_LongBreakdown_YearLedger_Recording(benchmark::State &state) { longBreakdownRecording(state, 11); }
BENCHMARK(BM_LongBreakdown_YearLedger_Recording)->Apply(breakdownLengths);
void BM_LongBreakdown_YearReport_Recording(benchmark::State &state) { longBreakdownRecording(state, 12); }
BENCHMARK(BM_LongBreakdown_YearReport_Recording)->Apply(breakdownLengths);

// On the printer's own font metrics, as the PDF export and the printer measure.
void BM_LongBreakdown_YearLedger_Pdf(benchmark::State &state)
{
    LongBreakdown a(state.range(0));
    const QString path = scratchPath(QStringLiteral("long-breakdown-%1.pdf").arg(state.range(0)));
    for (auto _ : state)
        exportPdf(a.doc, a.ps, Printout::fromKind(11), path);
    breakdownLabel(state);
}
BENCHMARK(BM_LongBreakdown_YearLedger_Pdf)->Apply(breakdownLengths);

} // namespace

