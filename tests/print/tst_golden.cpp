// Every printout, CSV table, period summary and saved file of a few fixed
// accounts, compared with fingerprints taken from a known-good build. A
// change of design must leave all of them byte for byte as they were.
// HARUMOKA_WRITE_GOLDEN=1 prints the current fingerprints to standard output
// (to update tests/data/golden/fingerprints.txt after a deliberate change);
// on a mismatch the full dump is written to the temporary folder for a diff.
#include "model/document.h"
#include "model/values.h"
#include "print/csv_export.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "storage/account_file.h"
#include "storage/companion_file.h"
#include "support/print_test_main.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace {

const QString kData = QStringLiteral(HARUMOKA_TEST_DATA "/golden");

struct Variant {
    const char *name;
    bool printCarry;
    bool oneColumn;
    const char *respect;
};
const Variant kVariants[] = {{"plain", false, false, "保護者各位"}, {"alt", true, true, "保護者様"}};
const char *const kAccounts[] = {"sample.txt", "mixed.txt", "other.txt"};

QString dumpSurface(const RecordingSurface &rec)
{
    QString out;
    QTextStream s(&out);
    for (const RecordedText &t : rec.texts())
        s << "T " << t.page << ' ' << t.x << ' ' << t.y << ' ' << t.fontName << ' ' << t.fontSize
          << ' ' << t.color << ' ' << t.text << '\n';
    for (const RecordedLine &l : rec.lines())
        s << "L " << l.page << ' ' << l.x1 << ' ' << l.y1 << ' ' << l.x2 << ' ' << l.y2 << ' '
          << l.width << ' ' << l.color << '\n';
    s << "pages " << rec.pageCount() << '\n';
    return out;
}

QString dumpList(const QList<Entry> &lines)
{
    QString out;
    for (const Entry &line : lines) {
        const Entry *a = &line;
        out += QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8\n")
                   .arg(a->income)
                   .arg(generalDate(a->date), a->article, a->breakdown)
                   .arg(a->perPupil)
                   .arg(a->pupils)
                   .arg(a->amount)
                   .arg(a->receipt);
    }
    return out;
}

// The fingerprint a dump is compared with. Printing a ledger no longer puts
// the open account in print order, so a save after it writes the account as
// it was loaded: the file's "saved" fingerprint, not the print order that the
// older "saved-after" fingerprints of the ledgers hold.
QString fingerprintName(const QString &name)
{
    static const QRegularExpression ledgerSave(QStringLiteral("^(\\S+) \\S+ kind(1|3|5|7|9|11) saved-after$"));
    const QRegularExpressionMatch m = ledgerSave.match(name);
    return m.hasMatch() ? m.captured(1) + QStringLiteral(" saved") : name;
}

QString hash(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(24));
}

struct Loaded {
    Document doc;
    PrintSettings ps;
    PeriodSummaries sums;
    bool hasRoster = false; // a companion file beside it: the collections' printouts too

    Loaded(const QString &account, const Variant &v)
    {
        readAccountFile(kData + QLatin1Char('/') + account, doc);
        hasRoster = readCompanion(kData + QLatin1Char('/') + account, doc);
        ps = PrintSettings(doc.title());
        ps.printCarry = v.printCarry;
        ps.oneColumn = v.oneColumn;
        ps.respect = QString::fromUtf8(v.respect);
        ps.printDate = QDate(2027, 3, 19);
        sums = printSummaries(doc, ps);
    }
};

// name -> dump, for every fingerprinted output.
QList<QPair<QString, QString>> allDumps()
{
    QList<QPair<QString, QString>> out;
    for (const char *account : kAccounts) {
        const QString a = QString::fromLatin1(account);
        for (const Variant &v : kVariants) {
            for (int kind = 1; kind <= Printout::kLastKind; ++kind) {
                if (kind > 12 && !Loaded(a, v).hasRoster)
                    continue;
                const QString name = QStringLiteral("%1 %2 kind%3").arg(a, QLatin1String(v.name)).arg(kind);
                {
                    Loaded l(a, v);
                    RecordingSurface rec;
                    printKindOn(l.doc, l.sums, rec, l.ps, Printout::fromKind(kind));
                    out << qMakePair(name + QStringLiteral(" print"), dumpSurface(rec));
                    // What a save writes after the printout.
                    out << qMakePair(name + QStringLiteral(" saved-after"),
                                     QString::fromLatin1(encodeAccountFile(l.doc.title(), l.doc.entries()).toBase64()));
                }
                if (kind != 14) {
                    Loaded l(a, v);
                    out << qMakePair(name + QStringLiteral(" csv"), csvText(printoutTable(l.doc, l.sums, l.ps, Printout::fromKind(kind))));
                }
            }
        }
        Loaded l(a, kVariants[0]);
        out << qMakePair(a + QStringLiteral(" saved"),
                         QString::fromLatin1(encodeAccountFile(l.doc.title(), l.doc.entries()).toBase64()));
        QString periods;
        for (int p = 0; p < PeriodCount; ++p)
            periods += QStringLiteral("period %1 income %2 expense %3\n").arg(p).arg(l.sums[p].incomeTotal).arg(l.sums[p].minusExpenseTotal)
                + dumpList(l.sums[p].incomeList) + dumpList(l.sums[p].supplyList);
        out << qMakePair(a + QStringLiteral(" periods"), periods);
    }
    return out;
}

} // namespace

class TestGolden : public QObject {
    Q_OBJECT
private slots:
    void outputsAreUnchanged()
    {
        const auto dumps = allDumps();
        if (qEnvironmentVariableIsSet("HARUMOKA_WRITE_GOLDEN")) {
            QTextStream out(stdout);
            for (const auto &[name, dump] : dumps)
                out << name << ' ' << hash(dump.toUtf8()) << '\n';
            return;
        }
        QFile f(kData + QStringLiteral("/fingerprints.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QHash<QString, QString> expected;
        for (const QByteArray &line : f.readAll().split('\n')) {
            const qsizetype sp = line.lastIndexOf(' ');
            if (sp > 0)
                expected.insert(QString::fromUtf8(line.left(sp)), QString::fromUtf8(line.mid(sp + 1)));
        }
        QCOMPARE(expected.size(), dumps.size());
        QStringList differ;
        for (const auto &[name, dump] : dumps) {
            if (expected.value(fingerprintName(name)) == hash(dump.toUtf8()))
                continue;
            differ << name;
            QFile actual(QDir::temp().filePath(QStringLiteral("golden-") + QString(name).replace(QLatin1Char(' '), QLatin1Char('_'))));
            if (actual.open(QIODevice::WriteOnly))
                actual.write(dump.toUtf8());
        }
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral(", "))));
    }
};

HARUMOKA_PRINT_TEST_MAIN(TestGolden)
#include "tst_golden.moc"
