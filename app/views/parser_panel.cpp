// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/parser_panel.h"

#include "views/parser_data.h"

#include <QHeaderView>
#include <QStyle>

namespace views {
namespace {

const QStringList kValueColumns = {"w", "x", "y", "z"};
const int kUnitColumn = kValueColumns.size();

} // namespace

ParserDataPanel::ParserDataPanel(QWidget *parent) : QTableWidget(parent)
{
    setObjectName("parserDataPanel");
    setWhatsThis(tr("Every field of the latest sample with its unit, refreshed while the "
                    "module is connected."));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(kUnitColumn + 1);
    setHorizontalHeaderLabels(kValueColumns + QStringList{tr("unit")});
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    const std::vector<ParserRow> rows = parserRows(IMUserial::sensor_data{});
    setRowCount(int(rows.size()));
    for (int row = 0; row < rowCount(); ++row) {
        setVerticalHeaderItem(row, new QTableWidgetItem(rows[row].field));
        setItem(row, kUnitColumn, new QTableWidgetItem(rows[row].unit));
        // A single value (the temperature) spans the value columns.
        if (rows[row].values.size() == 1)
            setSpan(row, 0, 1, kUnitColumn);
        for (int column = 0; column < kUnitColumn; ++column) {
            auto *cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, cell);
        }
    }
    fitColumns();
}

// Each column as wide as its widest text and no wider: a value column the
// widest value ("-2000.00", a fast turn in deg/s), the unit column the
// widest unit. The panel asks for exactly its columns' width.
void ParserDataPanel::fitColumns()
{
    const QFontMetrics metrics = fontMetrics();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const int value = metrics.horizontalAdvance(QStringLiteral("-2000.00")) + padding;
    int unit = metrics.horizontalAdvance(horizontalHeaderItem(kUnitColumn)->text());
    for (int row = 0; row < rowCount(); ++row)
        unit = std::max(unit, metrics.horizontalAdvance(item(row, kUnitColumn)->text()));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < kUnitColumn; ++column)
        horizontalHeader()->resizeSection(column, value);
    horizontalHeader()->resizeSection(kUnitColumn, unit + padding);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Expanding);
}

QSize ParserDataPanel::sizeHint() const
{
    const int columns = horizontalHeader()->length() + verticalHeader()->sizeHint().width();
    return {columns + 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent),
            QTableWidget::sizeHint().height()};
}

// Vectors fill the columns from the right, so x, y, z line up under their
// headers and the quaternion's w sits under "w".
void ParserDataPanel::showSample(const IMUserial::sensor_data &sample)
{
    const std::vector<ParserRow> rows = parserRows(sample);
    for (int row = 0; row < rowCount(); ++row) {
        const QStringList &values = rows[row].values;
        const int first = values.size() == 1 ? 0 : kUnitColumn - int(values.size());
        for (int i = 0; i < values.size(); ++i)
            item(row, first + i)->setText(values[i]);
    }
}

} // namespace views
