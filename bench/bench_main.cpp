// Runs the benchmarks on a headless QApplication set up as the program sets
// itself up. Besides Google Benchmark's own options it takes
// --table=FILE: writes the medians (or the single runs) as a Markdown table
// with each figure's ratio to the floor and its growth from the middle to
// the largest size.
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
#include <unistd.h>
#include <vector>

namespace {

const char *const kFloor = "BM_Floor_ReadDecodeLines";

class TableReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that redirected output stays plain text.
    TableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

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
            if (std::find(m_families.begin(), m_families.end(), family) == m_families.end())
                m_families.push_back(family);
            if (std::find(m_sizes.begin(), m_sizes.end(), size) == m_sizes.end())
                m_sizes.push_back(size);
            if (r.error_occurred) {
                m_errors[{family, size}] = r.error_message;
                continue;
            }
            const double ms = r.GetAdjustedRealTime() * 1e3 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            m_ms[{family, size}] = ms;
            m_repetitions = std::max<long>(m_repetitions, long(r.repetitions));
        }
    }

    std::string table() const
    {
        std::vector<long> sizes = m_sizes;
        std::sort(sizes.begin(), sizes.end());
        std::ostringstream out;
        out << "Median of " << m_repetitions << " repetition(s), wall-clock milliseconds; "
            << m_cpus << " CPU(s) at " << std::fixed << std::setprecision(0) << m_mhz << " MHz.\n\n";
        const bool growth = sizes.size() >= 2;
        const long largest = sizes.empty() ? 0 : sizes.back();
        const long middle = growth ? sizes[sizes.size() - 2] : 0;
        out << "| benchmark |";
        for (long s : sizes)
            out << ' ' << grouped(s) << " |";
        out << " ÷ floor at " << grouped(largest) << " |";
        if (growth)
            out << " growth " << grouped(middle) << " → " << grouped(largest) << " |";
        out << "\n|---|";
        for (size_t i = 0; i < sizes.size() + (growth ? 2 : 1); ++i)
            out << "---:|";
        out << '\n';
        for (const std::string &f : m_families) {
            out << "| " << f << " |";
            for (long s : sizes)
                out << ' ' << cell(f, s) << " |";
            out << ' ' << ratio(f, largest, kFloor, largest) << " |";
            if (growth)
                out << ' ' << ratio(f, largest, f, middle) << " |";
            out << '\n';
        }
        return out.str();
    }

private:
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

    std::string cell(const std::string &f, long size) const
    {
        if (auto e = m_errors.find({f, size}); e != m_errors.end())
            return "error: " + e->second;
        auto it = m_ms.find({f, size});
        if (it == m_ms.end())
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

    std::vector<std::string> m_families;
    std::vector<long> m_sizes;
    std::map<std::pair<std::string, long>, double> m_ms;
    std::map<std::pair<std::string, long>, std::string> m_errors;
    long m_repetitions = 1;
    int m_cpus = 0;
    double m_mhz = 0;
};

} // namespace

int main(int argc, char **argv)
{
    std::string tableFile;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--table=", 8) == 0)
            tableFile = argv[i] + 8;
        else
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
