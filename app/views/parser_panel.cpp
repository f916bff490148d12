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
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setMinimumWidth(widthForWidestValues());

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
}

// Wide enough that no value is cut off: four columns of the widest value
// ("-2000.00", a fast turn in deg/s), the unit, the field names and the frame.
int ParserDataPanel::widthForWidestValues() const
{
    const QFontMetrics metrics = fontMetrics();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const int value = metrics.horizontalAdvance(QStringLiteral("-2000.00")) + padding;
    const int unit = metrics.horizontalAdvance(QStringLiteral("deg/s")) + padding;
    const int field = metrics.horizontalAdvance(QStringLiteral("free_acc")) + padding;
    return kUnitColumn * value + unit + field + 2 * frameWidth() +
           style()->pixelMetric(QStyle::PM_ScrollBarExtent);
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
