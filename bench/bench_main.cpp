// Runs the benchmarks on a headless QApplication set up as the program sets
// itself up. Besides Google Benchmark's own options it takes
// --table=FILE: writes the medians (or the single runs) as a Markdown table
// with each figure's CPU time at the largest size, its ratio to the floor
// and its growth from the middle to the largest size. The sizes are numbers
// of entries; benchmarks whose argument is something else say what in their
// label (Google Benchmark's SetLabel) and get a table of their own. A first
// table sets the figures that have a goal beside their goals.
#include "bench_support.h"

#include "app/application.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

const char *const kFloor = "BM_Floor_ReadDecodeLines";

class TableReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that redirected output stays plain text.
    TableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void setInterleaved(bool on) { m_interleaved = on; }

    bool ReportContext(const Context &context) override
    {
        m_cpus = context.cpu_info.num_cpus;
        m_mhz = context.cpu_info.cycles_per_second / 1e6;
        return ConsoleReporter::ReportContext(context);
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            const bool take = r.run_type == Run::RT_Aggregate ? r.aggregate_name == "median"
                                                              : r.repetitions <= 1;
            if (!take && !r.error_occurred)
                continue;
            const std::string family = r.run_name.function_name;
            const long size = std::atol(r.run_name.args.c_str());
            m_familyIndex[family] = r.family_index;
            Group &g = groupOf(r.report_label);
            if (std::find(g.families.begin(), g.families.end(), family) == g.families.end())
                g.families.push_back(family);
            if (std::find(g.sizes.begin(), g.sizes.end(), size) == g.sizes.end())
                g.sizes.push_back(size);
            if (r.error_occurred) {
                m_errors[{family, size}] = r.error_message;
                continue;
            }
            const double unit = benchmark::GetTimeUnitMultiplier(r.time_unit);
            m_ms[{family, size}] = r.GetAdjustedRealTime() * 1e3 / unit;
            // A benchmark that runs the program reports the child's CPU time.
            const auto child = r.counters.find("child_cpu_ms");
            m_cpuMs[{family, size}] = child != r.counters.end() ? double(child->second)
                                                                : r.GetAdjustedCPUTime() * 1e3 / unit;
            if (const auto kib = r.counters.find("file_KiB"); family == kFloor && kib != r.counters.end())
                m_fileKiB[size] = double(kib->second);
            m_repetitions = std::max<long>(m_repetitions, long(r.repetitions));
        }
    }

    std::string table() const
    {
        std::ostringstream out;
        out << "Median of " << m_repetitions << " repetition(s)"
            << (m_interleaved ? " interleaved at random with the other benchmarks' ones" : "")
            << ", wall-clock milliseconds (CPU: the "
            << "benchmark thread's CPU time; BM_Exec_*: the program's, user + system); " << m_cpus << " CPU(s) at " << std::fixed
            << std::setprecision(0) << m_mhz << " MHz.\n";
        out << '\n' << goalsTable();
        for (const Group &g : m_groups)
            out << '\n' << table(g);
        return out.str();
    }

private:
    // How a goal is measured: a benchmark's CPU time (for the start-up,
    // the program's), or its time as a multiple of the floor's.
    enum class Measure { CpuMs, TimesFloor };
    struct Goal {
        const char *task;
        const char *family;
        Measure measure;
        double limit;
    };

    double figure(const Goal &goal, long size) const
    {
        const Figures &f = goal.measure == Measure::CpuMs ? m_cpuMs : m_ms;
        auto it = f.find({goal.family, size});
        if (it == f.end())
            return -1;
        if (goal.measure != Measure::TimesFloor)
            return it->second;
        auto floor = m_ms.find({kFloor, size});
        return floor == m_ms.end() || floor->second <= 0 ? -1 : it->second / floor->second;
    }

    static std::string number(double v, const char *unit)
    {
        if (v < 0)
            return "–";
        std::ostringstream out;
        out << std::fixed << std::setprecision(v < 10 ? 2 : v < 100 ? 1 : 0) << v << unit;
        return out.str();
    }

    // The goals at 30,000 entries, each with its growth from 3,000, and the
    // steepest growth of any benchmark over entry counts (CPU times: the
    // machine is shared).
    std::string goalsTable() const
    {
        static const Goal goals[] = {
            {"exec → window ready with the file loaded (whole process, CPU)", "BM_Exec_WindowReady",
             Measure::CpuMs, 180},
            {"open in the process ÷ read+decode floor", "BM_Open_LoadArticleFile", Measure::TimesFloor, 2},
            {"record one entry, grid and remainder refreshed (CPU)", "BM_Edit_RecordIncomeAmount",
             Measure::CpuMs, 3},
            {"undo one edit (CPU)", "BM_Edit_Undo", Measure::CpuMs, 3},
            {"year ledger → PDF (CPU)", "BM_YearLedger_Pdf", Measure::CpuMs, 1000},
        };
        const long middle = 3000, largest = 30000;
        std::ostringstream out;
        out << "| goal | benchmark | at 3,000 | at 30,000 | growth 3,000 → 30,000 | goal at 30,000 | met |\n"
            << "|---|---|---:|---:|---:|---:|---|\n";
        for (const Goal &g : goals) {
            const char *unit = g.measure == Measure::TimesFloor ? " ×" : " ms";
            const double at = figure(g, largest);
            const double before = figure(g, middle);
            out << "| " << g.task << " | " << g.family << " | " << number(before, unit) << " | "
                << number(at, unit) << " | " << number(at >= 0 && before > 0 ? at / before : -1, " ×") << " | ≤ "
                << number(g.limit, unit) << " | " << (at < 0 ? "–" : at <= g.limit ? "yes" : "no") << " |\n";
        }
        // The floor is the yardstick, not a step of the program: it cannot
        // grow less than the file it reads, so it is shown beside the file.
        const Goal floor{"", kFloor, Measure::CpuMs, 0};
        const double floorAt = figure(floor, largest), floorBefore = figure(floor, middle);
        const auto kib = [this](long size) {
            auto it = m_fileKiB.find(size);
            return it == m_fileKiB.end() ? -1.0 : it->second;
        };
        const double fileGrowth = kib(middle) > 0 && kib(largest) > 0 ? kib(largest) / kib(middle) : -1;
        out << "| the floor itself, reading the file into lines (the file grows " << number(fileGrowth, " ×")
            << ") | " << kFloor << " | " << number(floorBefore, " ms") << " | " << number(floorAt, " ms") << " | "
            << number(floorAt >= 0 && floorBefore > 0 ? floorAt / floorBefore : -1, " ×") << " | | |\n";
        // Every step of the program over entry counts: the steepest growth of CPU time.
        std::string worst;
        double steepest = -1;
        for (const Group &g : m_groups) {
            if (!g.label.empty())
                continue;
            for (const std::string &f : g.families) {
                if (f == kFloor)
                    continue;
                auto a = m_cpuMs.find({f, largest});
                auto b = m_cpuMs.find({f, middle});
                if (a != m_cpuMs.end() && b != m_cpuMs.end() && b->second > 0
                    && a->second / b->second > steepest) {
                    steepest = a->second / b->second;
                    worst = f;
                }
            }
        }
        out << "| every step of the program from 3,000 to 30,000: the steepest | " << (worst.empty() ? "–" : worst)
            << " | | | " << number(steepest, " ×") << " | ≤ 10.5 × | "
            << (steepest < 0 ? "–" : steepest <= 10.5 ? "yes" : "no") << " |\n";
        return out.str();
    }

    // Benchmarks with the same kind of argument: entry counts (no label) or
    // what their label says.
    struct Group {
        std::string label;
        std::vector<std::string> families;
        std::vector<long> sizes;
    };

    Group &groupOf(const std::string &label)
    {
        auto it = std::find_if(m_groups.begin(), m_groups.end(), [&](const Group &g) { return g.label == label; });
        if (it != m_groups.end())
            return *it;
        // Entry counts first, whatever ran first.
        return *m_groups.insert(label.empty() ? m_groups.begin() : m_groups.end(), Group{label, {}, {}});
    }

    std::string table(const Group &g) const
    {
        std::vector<long> sizes = g.sizes;
        std::sort(sizes.begin(), sizes.end());
        const bool growth = sizes.size() >= 2;
        const long largest = sizes.empty() ? 0 : sizes.back();
        const long middle = growth ? sizes[sizes.size() - 2] : 0;
        // The floor is a number of entries: other arguments have no ratio to it.
        const bool floor = g.label.empty();
        std::ostringstream out;
        if (!g.label.empty())
            out << "Argument: " << g.label << ".\n\n";
        out << "| benchmark |";
        for (long s : sizes)
            out << ' ' << grouped(s) << " |";
        out << " CPU at " << grouped(largest) << " |";
        if (floor)
            out << " ÷ floor at " << grouped(largest) << " |";
        if (growth)
            out << " growth " << grouped(middle) << " → " << grouped(largest) << " |";
        out << "\n|---|";
        for (size_t i = 0; i < sizes.size() + 1 + (floor ? 1 : 0) + (growth ? 1 : 0); ++i)
            out << "---:|";
        out << '\n';
        // In the order they were declared, also when their repetitions were interleaved.
        std::vector<std::string> families = g.families;
        std::stable_sort(families.begin(), families.end(), [this](const std::string &a, const std::string &b) {
            return m_familyIndex.at(a) < m_familyIndex.at(b);
        });
        for (const std::string &f : families) {
            out << "| " << f << " |";
            for (long s : sizes)
                out << ' ' << cell(m_ms, f, s) << " |";
            out << ' ' << cell(m_cpuMs, f, largest) << " |";
            if (floor)
                out << ' ' << ratio(f, largest, kFloor, largest) << " |";
            if (growth)
                out << ' ' << ratio(f, largest, f, middle) << " |";
            out << '\n';
        }
        return out.str();
    }

    static std::string grouped(long n)
    {
        const std::string digits = std::to_string(n);
        std::string out;
        for (size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0)
                out += ',';
            out += digits[i];
        }
        return out;
    }

    using Figures = std::map<std::pair<std::string, long>, double>;

    std::string cell(const Figures &figures, const std::string &f, long size) const
    {
        if (auto e = m_errors.find({f, size}); e != m_errors.end())
            return "error: " + e->second;
        auto it = figures.find({f, size});
        if (it == figures.end())
            return "–";
        std::ostringstream out;
        out << std::fixed << std::setprecision(it->second < 10 ? 2 : it->second < 100 ? 1 : 0)
            << it->second;
        return out.str();
    }

    std::string ratio(const std::string &f, long size, const std::string &g, long gsize) const
    {
        auto a = m_ms.find({f, size});
        auto b = m_ms.find({g, gsize});
        if (a == m_ms.end() || b == m_ms.end() || b->second <= 0)
            return "–";
        std::ostringstream out;
        out << std::fixed << std::setprecision(1) << a->second / b->second << " ×";
        return out.str();
    }

    std::vector<Group> m_groups;
    std::map<std::string, int64_t> m_familyIndex;
    std::map<long, double> m_fileKiB; // the account file's size, by entries
    Figures m_ms;
    Figures m_cpuMs;
    std::map<std::pair<std::string, long>, std::string> m_errors;
    long m_repetitions = 1;
    bool m_interleaved = false;
    int m_cpus = 0;
    double m_mhz = 0;
};

} // namespace

int main(int argc, char **argv)
{
    std::string tableFile;
    bool interleaved = false;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--table=", 8) == 0) {
            tableFile = argv[i] + 8;
            continue;
        }
        // Said in the table's first line: it changes what the figures compare.
        const std::string_view arg = argv[i];
        if (arg == "--benchmark_enable_random_interleaving=true" || arg == "--benchmark_enable_random_interleaving=1"
            || arg == "--benchmark_enable_random_interleaving")
            interleaved = true;
        args.push_back(argv[i]);
    }
    int count = int(args.size());
    args.push_back(nullptr);

    useOffscreenPlatformByDefault();
    // The same scale as the tests: text widths in twips do not depend on the screen.
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(count, args.data());
    setupApplication(app);

    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    TableReporter reporter;
    reporter.setInterleaved(interleaved);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string table = reporter.table();
    if (!tableFile.empty()) {
        std::ofstream out(tableFile);
        out << table;
    }
    std::cout << '\n' << table;
    return 0;
}
