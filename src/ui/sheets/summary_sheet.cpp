#include "ui/sheets/summary_sheet.h"

#include "ui/widgets/flexgrid.h"

SummarySheet::SummarySheet(std::function<std::optional<PeriodSummary>()> period, QWidget *parent)
    : QWidget(parent), m_table(std::move(period))
{
    m_grid = new FlexGrid(this);
    m_grid->setObjectName(QStringLiteral("grid"));
    // The grid sits right below the tab captions and fills the sheet.
    m_grid->setTwipsGeometry(0, 0, 13455, 7695);
}

void SummarySheet::layoutGrid()
{
    m_grid->setRowHeight(0, 360);
    m_grid->setTable(&m_table);
}
