#include "parserpanel.h"

#include "parserdata.h"

#include <QHeaderView>

namespace views {
namespace {

const QStringList valueColumns = {"w", "x", "y", "z"};
const int unitColumn = valueColumns.size();

} // namespace

ParserDataPanel::ParserDataPanel(QWidget *parent) : QTableWidget(parent)
{
    setObjectName("parserDataPanel");
    setWhatsThis(tr("Every field of the latest sample with its unit, refreshed while the "
                    "module is connected."));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(unitColumn + 1);
    setHorizontalHeaderLabels(valueColumns + QStringList{tr("unit")});
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    const std::vector<ParserRow> rows = parserRows(IMUserial::sensor_data{});
    setRowCount(int(rows.size()));
    for (int row = 0; row < rowCount(); ++row) {
        setVerticalHeaderItem(row, new QTableWidgetItem(rows[row].field));
        setItem(row, unitColumn, new QTableWidgetItem(rows[row].unit));
        // A single value (the temperature) spans the value columns.
        if (rows[row].values.size() == 1)
            setSpan(row, 0, 1, unitColumn);
        for (int column = 0; column < unitColumn; ++column) {
            auto *cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, cell);
        }
    }
}

// Vectors fill the columns from the right, so x, y, z line up under their
// headers and the quaternion's w sits under "w".
void ParserDataPanel::showSample(const IMUserial::sensor_data &sample)
{
    const std::vector<ParserRow> rows = parserRows(sample);
    for (int row = 0; row < rowCount(); ++row) {
        const QStringList &values = rows[row].values;
        const int first = values.size() == 1 ? 0 : unitColumn - int(values.size());
        for (int i = 0; i < values.size(); ++i)
            item(row, first + i)->setText(values[i]);
    }
}

} // namespace views
