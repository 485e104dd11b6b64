#include "app/module1.h"

#include "model/values.h"
#include "storage/settings_file.h"

#include <QWidget>

static const std::array<PeriodInfo, PeriodCount> kPeriods = {{
    {4, 7}, {8, 12}, {13, 15}, {4, 9}, {10, 15}, {1, 99},
}};

static const std::array<const char *, 12> kTitles = {
    "一学期元帳", "一学期会計報告", "二学期元帳", "二学期会計報告", "三学期元帳", "三学期会計報告",
    "前期元帳",   "前期会計報告",   "後期元帳",   "後期会計報告",   "年間元帳",   "年間会計報告",
};

Module1::Module1()
{
    clearCounters();
    articleList = std::make_shared<MekaluArticle>();
    incomeSelectionList = std::make_shared<MekaluSelection>();
    supplySelectionList = std::make_shared<MekaluSelection>();
    for (int p = 0; p < PeriodCount; ++p) {
        incomeLists[p] = std::make_shared<MekaluArticle>();
        supplyLists[p] = std::make_shared<MekaluArticle>();
    }
    printSettings = [] {
        PrintSettings s;
        s.printDate = today();
        return s;
    };
}

const PeriodInfo &Module1::periodInfo(int period)
{
    return kPeriods.at(period);
}

QString Module1::periodTitle(int index)
{
    return QString::fromUtf8(kTitles.at(index));
}

void Module1::fillPeriodTitles()
{
    for (int i = 0; i < 12; ++i)
        periodTitles[i] = periodTitle(i);
}

void Module1::clearCounters()
{
    incomeCount = 0;
    supplyCount = 0;
    defaultStudents = 30;
    selectedIncomeRow = 0;
    selectedSupplyRow = 0;
    editedIncomeCol = 0;
    editedSupplyCol = 0;
    fileChanged = false;
    supplyDatePicked = false;
    incomeRowWatermark = 0;
    supplyRowWatermark = 0;
    summaryRowWatermark.fill(0);
}

void Module1::resetDocument()
{
    incomeCount = 0;
    supplyCount = 0;
    defaultStudents = 30;
    fileChanged = false;
    incomeRowWatermark = 0;
    supplyRowWatermark = 0;
    summaryRowWatermark.fill(0);
    articleList = std::make_shared<MekaluArticle>();
    incomeSelectionList = std::make_shared<MekaluSelection>();
    supplySelectionList = std::make_shared<MekaluSelection>();
    for (int p = 0; p < PeriodCount; ++p) {
        incomeLists[p] = std::make_shared<MekaluArticle>();
        supplyLists[p] = std::make_shared<MekaluArticle>();
    }
    documentDamaged = false;
    fillPeriodTitles();
}

void Module1::enableMainWindow()
{
    if (mainWindow)
        mainWindow->setEnabled(true);
}

void Module1::loadSelectionLists()
{
    readSelectionFile(settingsFilePath.isEmpty() ? defaultSettingsFilePath() : settingsFilePath,
                      *incomeSelectionList, *supplySelectionList);
}

void Module1::saveSelectionLists()
{
    writeSelectionFile(settingsFilePath.isEmpty() ? defaultSettingsFilePath() : settingsFilePath,
                       *incomeSelectionList, *supplySelectionList);
}

void Module1::removeEntry(ArticlePtr &entry)
{
    if (!entry)
        return;
    articleList->deleteArticle(entry.get());
    summariesStale = true;
    fileChanged = true;
    entry.reset();
}
