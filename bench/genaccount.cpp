// Writes a generated account file, to open in the program or to measure:
//
//   harumoka_genaccount ENTRIES FILE [SEED]
#include "account_generator.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    bool ok = args.size() == 3 || args.size() == 4;
    const int entries = ok ? args[1].toInt(&ok) : 0;
    quint32 seed = kDefaultAccountSeed;
    if (ok && args.size() == 4)
        seed = args[3].toUInt(&ok);
    if (!ok || entries < 0 || entries > 60000) {
        err << "usage: harumoka_genaccount ENTRIES FILE [SEED]   (0 to 60000 entries)\n";
        return 2;
    }
    try {
        const GeneratedAccount a = writeGeneratedAccount(args[2], entries, seed);
        QTextStream(stdout) << a.incomeEntries << " income and " << a.expenseEntries
                            << " expense entries, " << a.detailLines << " detail lines\n";
    } catch (const HarumokaError &e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
