// Feeds arbitrary bytes to the account-file reader, as Open does. Any
// outcome but a loaded document or an AccountFileError with a message is a
// fault: another exception escaping, a crash, a sanitizer report, a hang.
// What was read must also save and read back to the same file, so that a
// file the program accepted never turns into one it cannot open.
#include "model/values.h"
#include "storage/account_file.h"
#include "summary/summaries.h"

#include <QByteArray>
#include <QDate>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fault(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "account file fault: %s %s\n", what, qPrintable(detail));
    std::abort();
}

// Counts, keys and order are what the window relies on.
void checkDocument(const LoadedAccount &m)
{
    qint32 incomes = 0, supplies = 0, key = 0;
    QDateTime lastIncome, lastSupply;
    const EntryList list = m.entries();
    for (const EntryPtr &a : list.entries()) {
        QDateTime &last = a->income ? lastIncome : lastSupply;
        if (last.isValid() && a->date < last)
            fault("entries of one kind are not in date order");
        last = a->date;
        ++(a->income ? incomes : supplies);
        if (a->key <= 0 || a->key > m.nextArticleKey)
            fault("entry key out of range");
        key = std::max(key, a->key);
    }
    if (incomes != m.incomeCount || supplies != m.supplyCount)
        fault("entry counts differ from the list");
    if (key != incomes + supplies || (key > 0 && m.nextArticleKey != key + 1))
        fault("keys are not 1..n");

    // The list places entries without walking it: the order must be
    // exactly what placing one entry after another, in file (key) order, gives.
    const std::vector<EntryPtr> &loaded = list.entries();
    std::vector<EntryPtr> inFileOrder = loaded;
    std::sort(inFileOrder.begin(), inFileOrder.end(),
              [](const EntryPtr &a, const EntryPtr &b) { return a->key < b->key; });
    EntryList reference;
    for (const EntryPtr &a : inFileOrder)
        reference.insertAt(reference.placeFor(*a), a);
    for (size_t i = 0; i < loaded.size(); ++i)
        if (loaded[i]->key != reference.entries()[i]->key)
            fault("entries not where the ordering rule puts them");
}

struct Loaded {
    LoadedAccount m;
    AccountHeader header;
    bool damaged = false;
};

void load(const QByteArray &bytes, Loaded &out)
{
    try {
        parseAccountFile(bytes, QStringLiteral("fuzz.txt"), out.m, out.header);
    } catch (const AccountFileError &e) {
        if (e.message().isEmpty())
            fault("AccountFileError without a message");
        if (e.kind() == AccountFileError::Damaged) {
            if (!out.m.documentDamaged || e.line() <= 0)
                fault("damage reported without its line", e.message());
            out.damaged = true;
        } else if (e.kind() != AccountFileError::NotAccountFile) {
            fault("unexpected kind of AccountFileError", e.message());
        }
        if (e.kind() == AccountFileError::NotAccountFile && !out.m.fileOrder.empty())
            fault("a foreign file added entries");
    }
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
    Loaded first;
    load(bytes, first);
    checkDocument(first.m);

    // What Open does next with what was read; an overflow of a period total
    // is the summaries' own message.
    try {
        computeSummaries(first.m.entries(), first.header.carryOverOverride());
    } catch (const OverflowError &) {
    }

    QByteArray saved;
    try {
        saved = encodeAccountFile(first.header, first.m.entries());
    } catch (const AccountFileError &e) {
        fault("a document that was read cannot be saved", e.message());
    }
    Loaded second;
    load(saved, second);
    if (second.damaged)
        fault("a saved document reads back damaged");
    checkDocument(second.m);
    if (encodeAccountFile(second.header, second.m.entries()) != saved)
        fault("a saved document reads back different");
    return 0;
}
