// Realistic class accounts of any size for the benchmarks: income
// collections and expenses spread over one school year, about a third of
// the expenses itemised in two to five detail lines, unique receipt
// numbers, 40 distinct articles and Japanese text throughout. The same
// seed always gives the same account.
#pragma once

#include "model/entry_list.h"
#include "storage/account_file.h"

#include <QString>

struct GeneratedAccount {
    AccountHeader header;
    EntryList entries;
    int incomeEntries = 0;
    int expenseEntries = 0;
    int detailLines = 0;
};

constexpr quint32 kDefaultAccountSeed = 20250401;

// An account of `entries` entries (income and expenses together) over the
// school year that starts in April of `schoolYear`. At most 60,000 entries:
// each kind must stay within the 32,767 entries a grid can number.
GeneratedAccount generateAccount(int entries, quint32 seed = kDefaultAccountSeed,
                                 int schoolYear = 2025);

// Generates an account and writes it with the program's own writer.
// Throws AccountFileError when it cannot be written.
GeneratedAccount writeGeneratedAccount(const QString &path, int entries,
                                       quint32 seed = kDefaultAccountSeed);
