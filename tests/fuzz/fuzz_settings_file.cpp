// Feeds arbitrary bytes to the settings-file reader, as start-up does. The
// reader never reports anything: any crash, escaping exception, sanitizer
// report or hang is a fault, and so are lists the drop-downs cannot use
// (empty or repeated names). What was read must save and read back stably.
#include "model/selection.h"
#include "model/values.h"
#include "storage/settings_file.h"

#include <QByteArray>
#include <QDate>
#include <QSet>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "settings file fault: %s %s\n", what, qPrintable(detail));
    std::abort();
}

void checkList(const SelectionList &list)
{
    QSet<QString> names;
    for (const RememberedName &record : list.records()) {
        const RememberedName *s = &record;
        if (s->name.isEmpty())
            fault("empty name in a list");
        if (s->name.contains(QLatin1Char('\r')) || s->name.contains(QLatin1Char('\n')))
            fault("line break in a name", s->name);
        if (names.contains(s->name))
            fault("name twice in one list", s->name);
        names.insert(s->name);
        if (!s->lastUsed.isValid())
            fault("invalid date", s->name);
    }
}

struct Lists {
    SelectionList income, supply;
};

void read(const QByteArray &bytes, Lists &out)
{
    parseSelectionFile(bytes, out.income, out.supply);
    checkList(out.income);
    checkList(out.supply);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setTodayForTesting(QDate(2024, 6, 1));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    Lists first;
    read(bytes, first);

    // A name read back from an older date can be forgotten by the next
    // start, so the saved file settles after one more round.
    Lists second;
    read(encodeSelectionFile(first.income, first.supply), second);
    const QByteArray saved = encodeSelectionFile(second.income, second.supply);
    Lists third;
    read(saved, third);
    if (encodeSelectionFile(third.income, third.supply) != saved)
        fault("a saved settings file reads back different");
    return 0;
}
