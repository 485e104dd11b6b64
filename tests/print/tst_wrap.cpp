// Text wrapping for the printouts: the same lines as the longest-beginning
// rule gives, found without measuring the whole rest for every line.
#include "print/layout.h"
#include "print/recording_surface.h"
#include "support/print_test_main.h"

#include <QtTest>

namespace {

// Counts how many characters were measured.
class CountingSurface : public RecordingSurface {
public:
    double textWidth(const QString &text) override
    {
        measured += text.size();
        return RecordingSurface::textWidth(text);
    }
    qint64 measured = 0;
};

// The rule itself, one character at a time: each line the longest beginning
// of the rest that fits, at least one character.
QStringList reference(PageSurface &s, const QString &text, double limit)
{
    QStringList lines;
    QString rest = text;
    while (s.textWidth(rest) > limit) {
        qsizetype cut = rest[0].isHighSurrogate() ? 2 : 1;
        while (cut < rest.size()) {
            const qsizetype next = cut + (rest[cut].isHighSurrogate() ? 2 : 1);
            if (next > rest.size() || s.textWidth(rest.left(next)) > limit)
                break;
            cut = next;
        }
        lines << rest.left(cut);
        rest = rest.mid(cut);
    }
    if (lines.isEmpty() || !rest.isEmpty())
        lines << rest;
    return lines;
}

} // namespace

class TestWrap : public QObject {
    Q_OBJECT

private slots:
    void sameLinesAsTheRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("limit");
        QTest::newRow("empty") << "" << 1000.0;
        QTest::newRow("fits") << "遠足 バス代" << 2000.0;
        QTest::newRow("exactly the limit") << "あいうえ" << 960.0;
        QTest::newRow("mixed widths") << "遠足 バス代 (4/25) 往復・ｶﾞｲﾄﾞ料込み 1,234円 ﾊﾟﾝﾌ代" << 1000.0;
        QTest::newRow("surrogate pairs") << "𠮷野家𠮷野家𠮷野家𠮷野家" << 500.0;
        QTest::newRow("wider than the limit") << "あいう" << 100.0;
        QTest::newRow("lines of changing length") << QString("ab").repeated(7) + QString("あ").repeated(9) + "c" << 600.0;
        QTest::newRow("long breakdown") << QString("内訳ｱｲｳ12,345円、").repeated(300) << 2340.0;
    }
    void sameLinesAsTheRule()
    {
        QFETCH(QString, text);
        QFETCH(double, limit);
        RecordingSurface s;
        s.setFontSize(12);
        QCOMPARE(layout::wrapText(s, text, limit), reference(s, text, limit));
    }

    // The longest breakdown a file holds: measuring stays proportional to
    // its length (the whole rest measured for every line made printing it
    // take many seconds).
    void measuringIsLinear()
    {
        const QString text = QString("遠足ﾊﾞｽ代12,345円").repeated(32767 / 13 + 1).left(32767);
        CountingSurface s;
        s.setFontSize(12);
        const QStringList lines = layout::wrapText(s, text, 2340);
        QCOMPARE(lines.join(QString()), text);
        QVERIFY(lines.size() > 1000);
        QVERIFY2(s.measured < 10 * text.size(), qPrintable(QString::number(s.measured)));
    }
};

HARUMOKA_PRINT_TEST_MAIN(TestWrap)
#include "tst_wrap.moc"
