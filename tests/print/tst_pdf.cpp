// Real output: printouts written to PDF through QPrinter, read back with
// poppler's pdftotext and pdftoppm. Set HARUMOKA_PRINT_OUT to a folder to
// keep the PDFs for looking at them.
#include "model/document.h"
#include "model/values.h"
#include "print/printer_surface.h"
#include "print/printouts.h"
#include "print/fonts.h"
#include "support/test_util.h"

#include <QApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Account {
    Document doc;
    PrintSettings ps;

    Account()
    {
        ps.schoolName = QStringLiteral("青空小学校");
        ps.grade = QStringLiteral("第３学年");
        ps.room = QStringLiteral("２組");
        ps.charge = QStringLiteral("山田花子");
        ps.printDate = QDate(2026, 7, 20);
    }
    void add(const ArticlePtr &a) { doc.recordEntry(*a, nullptr); }
};

// Text of a PDF, pages separated by form feeds; empty when the tool fails.
QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// "合　計": pdftotext turns the ideographic space into blanks.
bool hasSpacedTotal(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("合[ \\x{3000}]+計"));
    return re.match(text).hasMatch();
}

int pageCount(const QString &text)
{
    return int(text.count(QLatin1Char('\f')));
}

// First page rendered at `dpi`; a null image when the tool fails.
QImage renderPage(const QString &pdf, int dpi, const QString &dir)
{
    const QString base = dir + QStringLiteral("/page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi),
                                         QStringLiteral("-f"), QStringLiteral("1"),
                                         QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-singlefile"), pdf, base});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QImage();
    return QImage(base + QStringLiteral(".ppm"));
}

bool isDark(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110 && qBlue(c) < 110; }
bool isWhite(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }
bool isRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 110 && qBlue(c) < 110; }

} // namespace

class TestPdf : public QObject {
    Q_OBJECT

private slots:
    void init();
    void ledgerIsOneMultiPageFile();
    void reportComesOutInJapanese();
    void positionsCountFromThePaperCorner();
    void textMetricsMatchTheFont();
    void textsLandWhereDrawTextPutsThem();
    void previewShowsWhatDrawTextShows();
    void failuresLeaveNoFile();

private:
    bool m_havePdftotext = false;
    bool m_havePdftoppm = false;
    QString keepDir() const { return qEnvironmentVariable("HARUMOKA_PRINT_OUT"); }
};

void TestPdf::init()
{
    m_havePdftotext = !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    m_havePdftoppm = !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

void TestPdf::ledgerIsOneMultiPageFile()
{
    if (!m_havePdftotext)
        QSKIP("pdftotext (poppler-utils) is not installed");
    Account a;
    for (int i = 0; i < 80; ++i) {
        if (i % 3 == 2)
            a.add(expense(d(2026, 4, 1).addDays(i), QStringLiteral("教材費"), 250,
                          QStringLiteral("ノート"), qint16(i)));
        else
            a.add(income(d(2026, 4, 1).addDays(i), QStringLiteral("学級費"), 1000,
                         QStringLiteral("%1回目").arg(i + 1)));
    }
    a.add(income(d(2026, 8, 1),
                 QStringLiteral("とても長い項目の名前で一行には収まりきらないもの"), 500,
                 QStringLiteral("内訳")));
    QTemporaryDir dir;
    const QString pdf = (keepDir().isEmpty() ? dir.path() : keepDir()) + QStringLiteral("/ledger.pdf");
    exportPdf(a.doc, a.ps, Printout::fromKind(11), pdf);

    const QString text = pdfText(pdf);
    QVERIFY2(!text.isEmpty(), "pdftotext could not read the ledger");
    QCOMPARE(pageCount(text), 3); // 36 + 35 + 10 entries
    QVERIFY2(text.contains(QStringLiteral("学級会計元帳")), qPrintable(text.left(400)));
    QVERIFY(text.contains(QStringLiteral("第３学年２組")));
    QVERIFY(hasSpacedTotal(text));
    QVERIFY(text.contains(QStringLiteral("前頁より繰り越し")));
    QVERIFY(text.contains(QStringLiteral("No.2")));
    QVERIFY(text.contains(QStringLiteral("合計")));
    QCOMPARE(QDir(QFileInfo(pdf).path()).entryList({QStringLiteral(".harumoka-*")},
                                                    QDir::Files | QDir::Hidden).size(), 0);
    // The pages are compressed as Qt's PDF engine does it, at zlib's default
    // level (header 78 9C): nothing in the program changes zlib for it.
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.count("stream\n\x78\x9c") >= 3); // a page each, and the font
    QCOMPARE(bytes.count("stream\n\x78\x5e"), 0);
}

void TestPdf::reportComesOutInJapanese()
{
    if (!m_havePdftotext)
        QSKIP("pdftotext (poppler-utils) is not installed");
    Account a;
    a.add(income(d(2026, 4, 10), QStringLiteral("学級費"), 32000, QStringLiteral("４月分"), 1000, 32));
    a.add(income(d(2026, 5, 10), QStringLiteral("遠足代"), 16000, QStringLiteral("バス"), 500, 32));
    auto e = expense(d(2026, 5, 20), QStringLiteral("文房具"), 5000, QString(), 1);
    setDetails(e, {{QStringLiteral("画用紙"), 3000}, {QStringLiteral("のり"), 2000}});
    a.add(e);
    a.add(expense(d(2026, 6, 1), QStringLiteral("バス代"), 15000, QString(), 2));
    a.add(expense(d(2026, 6, 2), QStringLiteral("記念品"), 4000, QString(), 3));
    QTemporaryDir dir;
    const QString pdf = (keepDir().isEmpty() ? dir.path() : keepDir()) + QStringLiteral("/report.pdf");
    exportPdf(a.doc, a.ps, Printout::fromKind(2), pdf);

    const QString text = pdfText(pdf);
    QCOMPARE(pageCount(text), 1);
    for (const QString &s : {QStringLiteral("保護者各位"), QStringLiteral("学級会計報告"),
                             QStringLiteral("収入総額"), QStringLiteral("48,000円"),
                             QStringLiteral("１．収入の部"), QStringLiteral("２．支出の部"),
                             QStringLiteral("＠1,000×32人"), QStringLiteral("画用紙"),
                             QStringLiteral("上記の通りご報告します。"), QStringLiteral("令和8年7月20日"),
                             QStringLiteral("尚、残金の24,000円は第２学期学級会計に繰り越させていただきます。")})
        QVERIFY2(text.contains(s), qPrintable(s + QStringLiteral(" not in:\n") + text));
    QVERIFY(hasSpacedTotal(text));
    QVERIFY(!text.contains(QStringLiteral("文房具")));
}

void TestPdf::positionsCountFromThePaperCorner()
{
    if (!m_havePdftoppm)
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QTemporaryDir dir;
    for (bool fullPage : {false, true}) {
        const QString pdf = dir.path() + QStringLiteral("/geometry%1.pdf").arg(fullPage);
        {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            PrinterSurface::preparePrinter(printer);
            printer.setPageMargins(QMarginsF(20, 25, 20, 25), QPageLayout::Millimeter);
            printer.setFullPage(fullPage);
            PrinterSurface s(printer);
            s.setLineWidth(4);
            s.drawLine(1440, 2880, 4320, 2880); // 1 to 3 inches across, 2 inches down
            s.setColor(kRed);
            s.drawLine(1440, 4320, 4320, 4320);
            s.setColor(kBlack);
            s.setLineWidth(1);
            s.drawLine(7200, 1440, 7200, 4320); // 5 inches across
            s.endPage();
            s.drawLine(1440, 1440, 2880, 1440);
            s.endDocument();
        }
        QImage page = renderPage(pdf, 300, dir.path());
        QVERIFY(!page.isNull());
        // A4 at 300 dpi.
        QVERIFY(qAbs(page.width() - 2480) <= 2);
        QVERIFY(qAbs(page.height() - 3508) <= 2);
        // Thick line: 4/600 inch = 2 pixels at y = 600.
        QVERIFY2(isDark(page.pixel(600, 600)), qPrintable(QString::number(page.pixel(600, 600), 16)));
        QVERIFY(isWhite(page.pixel(600, 606)));
        QVERIFY(isWhite(page.pixel(600, 594)));
        QVERIFY(isWhite(page.pixel(290, 600))); // starts at x = 300
        QVERIFY(isRed(page.pixel(600, 900)));
        QVERIFY(isDark(page.pixel(1500, 450)));
        QVERIFY(isWhite(page.pixel(1505, 450)));
        if (!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
            QProcess p;
            p.start(QStringLiteral("pdfinfo"), {pdf});
            p.waitForFinished(10000);
            QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+2\\b")));
        }
    }
}

void TestPdf::textMetricsMatchTheFont()
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + QStringLiteral("/metrics.pdf"));
    PrinterSurface::preparePrinter(printer);
    PrinterSurface s(printer);
    s.setFontName(QStringLiteral("ＭＳ 明朝"));
    s.setFontSize(12);
    // The Mincho font: full-width characters one em (12 pt = 240 twips),
    // digits and Latin letters half of it.
    QVERIFY2(qAbs(s.textWidth(QStringLiteral("学級会計")) - 960) <= 4,
             qPrintable(QString::number(s.textWidth(QStringLiteral("学級会計")))));
    QVERIFY(qAbs(s.textWidth(QStringLiteral("1,000")) - 600) <= 4);
    s.setFontSize(16);
    QVERIFY(qAbs(s.textWidth(QStringLiteral("あ")) - 320) <= 2);
    s.endDocument();
}

namespace {

// Texts the surface lays out from its glyph table and texts it leaves to Qt,
// in two sizes and colours, with a number gathered into the same row, and
// rules crossing them in the other colour before and after, and beside them;
// drawn through the surface (checking its widths against QFontMetricsF) or,
// for reference, with QPainter::drawText and drawLine in that order.
void paintTexts(QPrinter &printer, bool surface)
{
    const QStringList texts = {
        QStringLiteral("学級費 4月分 12,345円"), QStringLiteral("ｶﾞｲﾄﾞ料・No.12　合　計"),
        QString::fromUtf8("か\u309Aけ\u3099 e\u0301 ①㈱"), QStringLiteral("office ﬁle AVAW"),
        QString::fromUtf8("𠮷野家 😀 한국"), QString::fromUtf8("עברית 12 אב"), QStringLiteral("tab\tend")};
    auto font = [](int i) {
        QFont f(QStringLiteral("ＭＳ 明朝"));
        f.setPixelSize(i % 2 ? 240 : 190);
        f.setKerning(false);
        return f;
    };
    if (surface) {
        PrinterSurface s(printer);
        for (int i = 0; i < texts.size(); ++i) {
            s.setColor(i % 3 ? kRed : kBlack);
            s.setLineWidth(i % 2 ? 4 : 1);
            s.drawLine(1440 + 400 * i, 1200, 1440 + 400 * i, 1440 + 480 * i + 100);
            s.setColor(i % 3 ? kBlack : kRed);
            s.setFontSize(i % 2 ? 12 : 9.5);
            s.textAt(1440, 1440 + 480 * i, texts[i]);
            s.textAt(8000, 1440 + 480 * i, QString::number(i));
            QCOMPARE(s.textWidth(texts[i]), QFontMetricsF(font(i), &printer).horizontalAdvance(texts[i]));
            s.drawLine(1300, 1440 + 480 * i + 120 + 40 * (i % 3), 9000, 1440 + 480 * i + 120);
            s.setColor(i % 3 ? kRed : kBlack);
            s.drawLine(7900, 1440 + 480 * i + 470, 9000, 1440 + 480 * i + 470);
        }
        s.endDocument();
        return;
    }
    QPainter p(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    p.translate(paper.left() - page.left(), paper.top() - page.top());
    p.scale(printer.resolution() / 1440.0, printer.resolution() / 1440.0);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    auto pen = [](Qt::GlobalColor c, int i) {
        QPen pen(c);
        pen.setWidthF(i % 2 ? 9.6 : 2.4);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        return pen;
    };
    for (int i = 0; i < texts.size(); ++i) {
        p.setPen(pen(i % 3 ? Qt::red : Qt::black, i));
        p.drawLine(QLineF(1440 + 400 * i, 1200, 1440 + 400 * i, 1440 + 480 * i + 100));
        p.setFont(font(i));
        p.setPen(pen(i % 3 ? Qt::black : Qt::red, i));
        const double baseline = 1440 + 480 * i + QFontMetricsF(font(i), &printer).ascent();
        p.drawText(QPointF(1440, baseline), texts[i]);
        p.drawText(QPointF(8000, baseline), QString::number(i));
        p.drawLine(QLineF(1300, 1440 + 480 * i + 120 + 40 * (i % 3), 9000, 1440 + 480 * i + 120));
        p.setPen(pen(i % 3 ? Qt::red : Qt::black, i));
        p.drawLine(QLineF(7900, 1440 + 480 * i + 470, 9000, 1440 + 480 * i + 470));
    }
}

} // namespace

// Either way, the PDF page is the same pixel for pixel.
void TestPdf::textsLandWhereDrawTextPutsThem()
{
    if (!m_havePdftoppm)
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QTemporaryDir dir;
    auto page = [&](bool surface) {
        const QString pdf = dir.path() + QStringLiteral("/page%1.pdf").arg(surface);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        PrinterSurface::preparePrinter(printer);
        paintTexts(printer, surface);
        return renderPage(pdf, 150, dir.path());
    };
    const QImage surface = page(true);
    QVERIFY(!surface.isNull());
    QCOMPARE(surface, page(false));
}

// And so is the print preview, which Qt paints through a picture: glyph runs
// would come out there as outlines.
void TestPdf::previewShowsWhatDrawTextShows()
{
    auto preview = [](bool surface) {
        QPrinter printer(QPrinter::HighResolution);
        PrinterSurface::preparePrinter(printer);
        QPrintPreviewWidget w(&printer);
        connect(&w, &QPrintPreviewWidget::paintRequested, [&](QPrinter *p) { paintTexts(*p, surface); });
        w.resize(900, 1300);
        w.show();
        w.updatePreview();
        return w.grab().toImage();
    };
    QCOMPARE(preview(true), preview(false));
}

void TestPdf::failuresLeaveNoFile()
{
    QTemporaryDir dir;
    Account a;
    a.add(income(d(2026, 4, 10), QStringLiteral("学級費"), 1000));

    // A folder that does not exist: a clear message naming the file.
    const QString missing = dir.path() + QStringLiteral("/無い/ledger.pdf");
    try {
        exportPdf(a.doc, a.ps, Printout::fromKind(11), missing);
        QFAIL("writing into a missing folder must fail");
    } catch (const HarumokaError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("ledger.pdf")), qPrintable(e.message()));
        QVERIFY(e.message().contains(QStringLiteral("書き込めません")));
    }
    QVERIFY(!QFileInfo::exists(missing));

    // An error in the data: the earlier PDF stays as it was and no
    // temporary file is left behind.
    const QString target = dir.path() + QStringLiteral("/old.pdf");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    Account bad;
    bad.add(expense(d(2026, 5, 1), QStringLiteral("大"), 2000000000));
    bad.add(expense(d(2026, 5, 2), QStringLiteral("大"), 2000000000));
    QVERIFY_THROWS_EXCEPTION(HarumokaError, exportPdf(bad.doc, bad.ps, Printout::fromKind(11), target));
    QVERIFY_THROWS_EXCEPTION(HarumokaError, exportPdf(a.doc, a.ps, Printout::fromKind(15), target));
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old contents"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // On a printer, a printout whose data overflows sends nothing.
    const QString printed = dir.path() + QStringLiteral("/printer.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printed);
    QVERIFY_THROWS_EXCEPTION(HarumokaError, printKindOnPrinter(bad.doc, PeriodSummaries(), printer, bad.ps, Printout::fromKind(11)));
    QVERIFY(!QFileInfo::exists(printed));

    // A successful export replaces the old file and leaves it readable to others.
    exportPdf(a.doc, a.ps, Printout::fromKind(11), target);
    QVERIFY(QFileInfo(target).size() > 1000);
    QVERIFY(QFileInfo(target).permissions() & QFileDevice::ReadOther);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A printer that cannot start is an error, not a silent nothing.
    QPrinter broken(QPrinter::HighResolution);
    broken.setOutputFormat(QPrinter::PdfFormat);
    broken.setOutputFileName(missing);
    QVERIFY_THROWS_EXCEPTION(HarumokaError, PrinterSurface surface(broken));
}

// A QApplication for the print preview's widget.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installFontSubstitutions();
    TestPdf tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_pdf.moc"
