#include "print/print_service.h"

#include "model/document.h"
#include "model/values.h"
#include "print/printouts.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <cups/cups.h>
#include <dlfcn.h>
#include <memory>
#include <optional>

namespace {

const QString kNothingPrinted = QStringLiteral("何も印刷していません。");

// The print service's library is opened when a printout is first sent, not
// when the program starts: it brings some twenty libraries of its own
// (TLS, Kerberos, Avahi), whose loading cost every start a few milliseconds.
#define HARUMOKA_CUPS_FUNCTIONS(X)                                                                                  \
    X(cupsAddOption) X(cupsDoRequest) X(cupsEncryption) X(cupsFreeDests) X(cupsFreeOptions) X(cupsGetDests2)        \
    X(cupsGetNamedDest) X(cupsGetOption) X(cupsLastErrorString) X(cupsPrintFile2) X(cupsServer) X(httpAssembleURIf) \
    X(httpClose) X(httpConnect2) X(ippAddString) X(ippDelete) X(ippFindAttribute) X(ippGetString) X(ippNewRequest)  \
    X(ippPort)

struct Cups {
#define HARUMOKA_CUPS_POINTER(f) decltype(&::f) f = nullptr;
    HARUMOKA_CUPS_FUNCTIONS(HARUMOKA_CUPS_POINTER)
#undef HARUMOKA_CUPS_POINTER
};

const Cups &cups()
{
    static const std::optional<Cups> loaded = []() -> std::optional<Cups> {
        void *lib = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return std::nullopt;
        Cups c;
        bool all = true;
#define HARUMOKA_CUPS_RESOLVE(f)                                                                                    \
    c.f = reinterpret_cast<decltype(c.f)>(dlsym(lib, #f));                                                          \
    all = all && c.f;
        HARUMOKA_CUPS_FUNCTIONS(HARUMOKA_CUPS_RESOLVE)
#undef HARUMOKA_CUPS_RESOLVE
        if (!all)
            return std::nullopt;
        return c;
    }();
    if (!loaded)
        throw HarumokaError(QStringLiteral("印刷サービス（CUPS）のライブラリ（libcups.so.2）を読み込めませんでした。"
                                           "libcups2 が入っているか確かめてください。")
                            + kNothingPrinted);
    return *loaded;
}

struct FreeDests {
    int count;
    void operator()(cups_dest_t *d) const { cups().cupsFreeDests(count, d); }
};
using Dests = std::unique_ptr<cups_dest_t, FreeDests>;

QString destOption(const cups_dest_t *dest, const char *name)
{
    const char *v = cups().cupsGetOption(name, dest->num_options, dest->options);
    return v ? QString::fromUtf8(v) : QString();
}

// "（reason）" from the queue's state message (what cupsdisable -r or the
// backend said), when it has one.
QString stateMessage(const cups_dest_t *dest)
{
    const Cups &c = cups();
    ipp_t *request = c.ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[1024];
    c.httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                       dest->name);
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                   "printer-state-message");
    ipp_t *response = c.cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString message;
    if (ipp_attribute_t *a = c.ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
        message = QString::fromUtf8(c.ippGetString(a, 0, nullptr)).trimmed();
    c.ippDelete(response);
    // What the service says of a queue stopped or refusing without a reason
    // is what the sentence says already, in English.
    if (message.isEmpty() || message.compare(QLatin1String("Paused"), Qt::CaseInsensitive) == 0
        || message.compare(QLatin1String("Rejecting Jobs"), Qt::CaseInsensitive) == 0)
        return QString();
    return QStringLiteral("（%1）").arg(message);
}

bool serviceReachable()
{
    const Cups &c = cups();
    http_t *http =
        c.httpConnect2(c.cupsServer(), c.ippPort(), nullptr, AF_UNSPEC, c.cupsEncryption(), 1, 5000, nullptr);
    c.httpClose(http);
    return http != nullptr;
}

// The queues the print service offers, for a message: "A、B".
QString queueNames()
{
    cups_dest_t *all = nullptr;
    const int n = cups().cupsGetDests2(CUPS_HTTP_DEFAULT, &all);
    Dests owner(all, FreeDests{n});
    QStringList names;
    for (int i = 0; i < n; ++i) {
        if (!all[i].instance)
            names << QString::fromUtf8(all[i].name);
    }
    return names.join(QStringLiteral("、"));
}

[[noreturn]] void noQueue(const QString &queue)
{
    if (!serviceReachable())
        throw HarumokaError(QStringLiteral("印刷サービス（CUPS）に接続できませんでした。印刷サービスが動いているか"
                                           "確かめてください。") + kNothingPrinted);
    const QString names = queueNames();
    if (names.isEmpty())
        throw HarumokaError(QStringLiteral("プリンタが一台も設定されていません。プリンタを追加してから、"
                                           "もう一度印刷してください。") + kNothingPrinted);
    if (queue.isEmpty())
        throw HarumokaError(QStringLiteral("既定のプリンタが決まっていません。--printer でプリンタを指定してください"
                                           "（使えるプリンタ: %1）。").arg(names) + kNothingPrinted);
    throw HarumokaError(QStringLiteral("プリンタ「%1」が見つかりません（使えるプリンタ: %2）。").arg(queue, names)
                        + kNothingPrinted);
}

// A stopped queue would keep the job until someone resumes it; the
// teacher would wait at the printer for nothing.
void checkReady(const cups_dest_t *dest)
{
    const QString name = QString::fromUtf8(dest->name);
    if (destOption(dest, "printer-state") == QLatin1String("5"))
        throw HarumokaError(QStringLiteral("プリンタ「%1」は停止しています%2。").arg(name, stateMessage(dest))
                            + kNothingPrinted
                            + QStringLiteral("プリンタを再開してから（プリンタの設定画面、または cupsenable %1）、"
                                             "もう一度印刷してください。").arg(name));
    if (destOption(dest, "printer-is-accepting-jobs") == QLatin1String("false"))
        throw HarumokaError(QStringLiteral("プリンタ「%1」は印刷を受け付けていません%2。")
                                .arg(name, stateMessage(dest))
                            + kNothingPrinted
                            + QStringLiteral("受け付けを再開してから（プリンタの設定画面、または cupsaccept %1）、"
                                             "もう一度印刷してください。").arg(name));
}

} // namespace

bool isServiceQueue(const QString &queue)
{
    try {
        const QByteArray wanted = queue.toUtf8();
        cups_dest_t *found = cups().cupsGetNamedDest(CUPS_HTTP_DEFAULT, wanted.constData(), nullptr);
        Dests dest(found, FreeDests{1});
        return found != nullptr;
    } catch (const HarumokaError &) {
        return false;
    }
}

PrintedJob printOnQueue(const Document &doc, const PrintSettings &ps, Printout printout, const QString &queue,
                        const QPrinter *chosen)
{
    const Cups &c = cups();
    const QByteArray wanted = queue.toUtf8();
    cups_dest_t *found = c.cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.isEmpty() ? nullptr : wanted.constData(), nullptr);
    if (!found)
        noQueue(queue);
    Dests dest(found, FreeDests{1});
    const QString name = QString::fromUtf8(dest->name);

    checkReady(dest.get());

    // The printout goes as the PDF file --pdf writes: the same pages, A4.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw HarumokaError(QStringLiteral("印刷用の一時ファイルを作れませんでした。") + kNothingPrinted);
    const QString pdf = dir.filePath(QStringLiteral("printout.pdf"));
    exportPdf(doc, ps, printout, pdf);

    cups_option_t *options = nullptr;
    int count = c.cupsAddOption("media", "A4", 0, &options);
    if (chosen) {
        count = c.cupsAddOption("copies", QByteArray::number(chosen->copyCount()).constData(), count, &options);
        if (chosen->printRange() == QPrinter::PageRange && chosen->fromPage() > 0) {
            const QByteArray pages = QByteArray::number(chosen->fromPage()) + '-' + QByteArray::number(chosen->toPage());
            count = c.cupsAddOption("page-ranges", pages.constData(), count, &options);
        }
        const QPrinter::DuplexMode duplex = chosen->duplex();
        if (duplex == QPrinter::DuplexLongSide || duplex == QPrinter::DuplexShortSide)
            count = c.cupsAddOption("sides", duplex == QPrinter::DuplexLongSide ? "two-sided-long-edge"
                                                                                : "two-sided-short-edge",
                                    count, &options);
    }
    const QByteArray title = printJobName(doc.fileName(), printout).toUtf8();
    const int id = c.cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, QFile::encodeName(pdf).constData(),
                                    title.constData(), count, options);
    c.cupsFreeOptions(count, options);
    if (id == 0)
        throw HarumokaError(QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした（%2）。")
                                .arg(name, QString::fromUtf8(c.cupsLastErrorString()))
                            + kNothingPrinted);
    return {name, id};
}
