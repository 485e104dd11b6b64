#include "account_generator.h"

#include "model/values.h"

#include <algorithm>
#include <array>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

// 15 income articles (money collected from the households or given to the
// class) and 25 expense articles: 40 in all.
struct IncomeArticle {
    const char *name;
    bool perPupil; // collected per pupil, otherwise a plain amount
};
const std::array<IncomeArticle, 15> kIncomeArticles = {{
    {"学級費", true},
    {"教材費", true},
    {"遠足費", true},
    {"社会科見学費", true},
    {"卒業記念積立金", true},
    {"ＰＴＡ学級活動費", true},
    {"図工材料費", true},
    {"家庭科調理実習費", true},
    {"理科実験材料費", true},
    {"写真代", true},
    {"学級文集代", true},
    {"学習発表会費", true},
    {"寄付金", false},
    {"前年度からの繰越金", false},
    {"預金利息", false},
}};

const std::array<const char *, 25> kExpenseArticles = {
    "文房具代",           "教材購入",         "画用紙",       "印刷用紙",     "模造紙",
    "漢字ドリル代",       "計算テスト代",     "遠足バス代",   "施設入場料",   "写真現像代",
    "学級文集印刷代",     "花の苗と肥料",     "飼育用品",     "理科実験材料", "調理実習材料",
    "図工材料",           "学級文庫図書",     "賞品",         "郵送料",       "振込手数料",
    "掲示用品",           "卒業記念品（寄せ書き色紙と額縁）", "清掃用品", "救急用品",
    "学習発表会の衣装・小道具",
};

// Where the money went (the breakdown of an expense).
const std::array<const char *, 14> kShops = {
    "さくら文具店",   "青空書店",       "みどり印刷",     "ひまわり生花店",
    "山田商店",       "駅前ホームセンター", "郵便局",     "はなまる観光バス",
    "市民ホール",     "ふれあい写真館", "ゆうちょ銀行",   "スーパーあおば",
    "100円ショップ",  "",
};

const std::array<const char *, 6> kIncomeNotes = {
    "全員分", "追加徴収分", "転入生分", "後期分", "保護者会より", "",
};

// Itemised lines of a receipt.
const std::array<const char *, 48> kItems = {
    "鉛筆",         "消しゴム",     "ノート",       "のり",         "はさみ",
    "セロハンテープ", "油性マーカー", "色鉛筆",       "画用紙（白）", "画用紙（色）",
    "クリアファイル", "模造紙",       "マグネット",   "画びょう",     "ホッチキスの針",
    "印刷用紙Ａ４", "印刷用紙Ｂ４", "インク",       "封筒",         "切手",
    "色紙",         "折り紙",       "リボン",       "ビニール袋",   "軍手",
    "ほうき",       "ぞうきん",     "洗剤",         "ばんそうこう", "消毒液",
    "花の苗",       "肥料",         "じょうろ",     "金魚のえさ",   "水槽用フィルター",
    "試験管",       "アルコールランプ", "乾電池",     "豆電球",       "小麦粉",
    "卵",           "牛乳",         "野菜",         "紙皿",         "紙コップ",
    "賞状用紙",     "メダル",       "額縁",
};

const std::array<int, 9> kPerPupil = {300, 500, 800, 1000, 1200, 1500, 2000, 2500, 3000};

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

template <typename T, size_t N>
const T &pick(std::mt19937 &rng, const std::array<T, N> &items)
{
    return items[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

int uniform(std::mt19937 &rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

bool chance(std::mt19937 &rng, double p)
{
    return std::bernoulli_distribution(p)(rng);
}

// Splits `amount` (a multiple of 10) into `parts` positive multiples of 10.
std::vector<qint32> split(std::mt19937 &rng, qint32 amount, int parts)
{
    const int units = amount / 10;
    std::vector<int> cuts;
    while (int(cuts.size()) < parts - 1) {
        const int c = uniform(rng, 1, units - 1);
        if (std::find(cuts.begin(), cuts.end(), c) == cuts.end())
            cuts.push_back(c);
    }
    std::sort(cuts.begin(), cuts.end());
    std::vector<qint32> out;
    int last = 0;
    for (int c : cuts) {
        out.push_back((c - last) * 10);
        last = c;
    }
    out.push_back((units - last) * 10);
    return out;
}

} // namespace

GeneratedAccount generateAccount(int entries, quint32 seed, int schoolYear)
{
    if (entries < 0 || entries > 60000)
        throw std::invalid_argument("generateAccount: 0 to 60,000 entries");
    std::mt19937 rng(seed);
    const QDate first(schoolYear, 4, 1);
    const int days = int(first.daysTo(QDate(schoolYear + 1, 3, 31))) + 1;

    // Dates first: school days, few in the summer holidays; a little under
    // half of the entries are income.
    struct Slot {
        int day;
        bool income;
    };
    std::vector<Slot> plan;
    plan.reserve(size_t(entries));
    int incomes = 0;
    while (int(plan.size()) < entries) {
        const int day = uniform(rng, 0, days - 1);
        const QDate date = first.addDays(day);
        if (date.month() == 8 && chance(rng, 0.75))
            continue;
        if (date.dayOfWeek() >= 6 && chance(rng, 0.8))
            continue;
        const bool income = chance(rng, 0.45);
        // Neither kind may outgrow what a grid can number.
        if ((income && incomes >= 32000) || (!income && int(plan.size()) - incomes >= 32000))
            continue;
        incomes += income ? 1 : 0;
        plan.push_back({day, income});
    }
    std::stable_sort(plan.begin(), plan.end(),
                     [](const Slot &a, const Slot &b) { return a.day < b.day; });

    GeneratedAccount out;
    out.header.classMode = true;
    out.header.schoolName = text("さくら市立青空小学校");
    out.header.schoolYear = schoolYearItem(schoolYear);
    out.header.grade = text("第３学年");
    out.header.room = text("２組");
    out.header.charge = text("山田花子");
    std::vector<EntryPtr> fileOrder;
    qint16 receipt = 0;
    qint32 key = 1;
    for (const Slot &slot : plan) {
        auto a = std::make_shared<Entry>();
        const QDate date = first.addDays(slot.day);
        a->date = makeDate(date);
        a->income = slot.income;
        a->key = key++;
        if (slot.income) {
            ++out.incomeEntries;
            const IncomeArticle &art = pick(rng, kIncomeArticles);
            a->article = text(art.name);
            if (art.perPupil) {
                a->breakdown = chance(rng, 0.7) ? QStringLiteral("%1月分").arg(date.month())
                                                   : text(pick(rng, kIncomeNotes));
                a->perPupil = pick(rng, kPerPupil);
                a->pupils = qint16(uniform(rng, 28, 35));
                a->amount = a->perPupil * a->pupils;
            } else {
                a->breakdown = text(pick(rng, kIncomeNotes));
                a->pupils = 30;
                a->amount = uniform(rng, 1, 2000) * 10;
            }
        } else {
            ++out.expenseEntries;
            a->article = text(pick(rng, kExpenseArticles));
            a->breakdown = text(pick(rng, kShops));
            a->amount = uniform(rng, 10, 5000) * 10;
            // Most receipts are numbered, in the order they were filed.
            if (chance(rng, 0.92))
                a->receipt = ++receipt;
            if (chance(rng, 1.0 / 3.0)) {
                const int lines = uniform(rng, 2, 5);
                DetailLines &details = a->details.emplace();
                for (qint32 amount : split(rng, a->amount, lines)) {
                    details.append(DetailLine{text(pick(rng, kItems)), amount});
                    ++out.detailLines;
                }
            }
        }
        fileOrder.push_back(a);
    }
    out.entries = EntryList(fileOrder);
    return out;
}

GeneratedAccount writeGeneratedAccount(const QString &path, int entries, quint32 seed)
{
    GeneratedAccount account = generateAccount(entries, seed);
    writeAccountFile(path, account.header, account.entries);
    return account;
}
