// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/parameter_table.h"

#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>

namespace noise {

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 3);
}

QTableWidgetItem *parameterItem(const ReadParameter &parameter)
{
    if (!parameter.value) {
        auto *item = new QTableWidgetItem(QStringLiteral("not resolved"));
        item->setToolTip(QString::fromStdString(parameter.notResolved));
        item->setForeground(Qt::gray);
        return item;
    }
    auto *item = new QTableWidgetItem(number(*parameter.value));
    item->setToolTip(QStringLiteral("Read over τ = %1 s to %2 s")
                         .arg(number(parameter.tauFrom), number(parameter.tauTo)));
    return item;
}

QTableWidgetItem *biasTauItem(const NoiseParameters &parameters)
{
    return new QTableWidgetItem(
        parameters.biasInstability.value ? number(parameters.biasInstabilityTau) : QString());
}

QTableWidget *table(const QStringList &columns, const QStringList &rows)
{
    auto *table = new QTableWidget(int(rows.size()), int(columns.size()));
    table->setHorizontalHeaderLabels(columns);
    table->setVerticalHeaderLabels(rows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // As wide as its columns, the plot beside it taking the rest.
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    return table;
}

const SensorChannels *find(const std::vector<SensorChannels> &all, int chip, Sensor sensor)
{
    const auto found = std::find_if(all.begin(), all.end(), [&](const SensorChannels &s) {
        return s.chip == chip && s.sensor == sensor;
    });
    return found == all.end() ? nullptr : &*found;
}

} // namespace

QTableWidget *parameterTable(const SensorChannels &channels)
{
    const SensorUnits units = unitsOf(channels.sensor);
    QStringList rows;
    for (const ChannelAnalysis *channel : channels.axes)
        rows << axisName(channel->axis);
    QTableWidget *shown = table(
        {QStringLiteral("N [%1]").arg(units.white), QStringLiteral("B [%1]").arg(units.reading),
         QStringLiteral("τ of B [s]"), QStringLiteral("K [%1]").arg(units.walk)},
        rows);
    shown->setObjectName("tableNoiseParameters");
    for (int row = 0; row < rows.size(); ++row) {
        const NoiseParameters &parameters = channels.axes[row]->parameters;
        shown->setItem(row, 0, parameterItem(parameters.whiteNoise));
        shown->setItem(row, 1, parameterItem(parameters.biasInstability));
        shown->setItem(row, 2, biasTauItem(parameters));
        shown->setItem(row, 3, parameterItem(parameters.randomWalk));
    }
    return shown;
}

QTableWidget *comparisonTable(const std::vector<SensorChannels> &all)
{
    std::vector<std::pair<const ChannelAnalysis *, const ChannelAnalysis *>> pairs;
    QStringList rows;
    for (const Sensor sensor : {Sensor::Gyroscope, Sensor::Accelerometer}) {
        const SensorChannels *chip1 = find(all, 1, sensor);
        const SensorChannels *chip2 = find(all, 2, sensor);
        if (!chip1 || !chip2)
            continue;
        for (std::size_t axis = 0; axis < std::min(chip1->axes.size(), chip2->axes.size());
             ++axis) {
            pairs.emplace_back(chip1->axes[axis], chip2->axes[axis]);
            rows << sensorName(sensor) + ' ' + axisName(chip1->axes[axis]->axis);
        }
    }
    QTableWidget *shown = table({QStringLiteral("N chip 1"), QStringLiteral("N chip 2"),
                                 QStringLiteral("K chip 1"), QStringLiteral("K chip 2"),
                                 QStringLiteral("Unit of N"), QStringLiteral("Unit of K")},
                                rows);
    shown->setObjectName("tableNoiseComparison");
    for (int row = 0; row < rows.size(); ++row) {
        const auto [chip1, chip2] = pairs[row];
        const SensorUnits units = unitsOf(chip1->sensor);
        shown->setItem(row, 0, parameterItem(chip1->parameters.whiteNoise));
        shown->setItem(row, 1, parameterItem(chip2->parameters.whiteNoise));
        shown->setItem(row, 2, parameterItem(chip1->parameters.randomWalk));
        shown->setItem(row, 3, parameterItem(chip2->parameters.randomWalk));
        shown->setItem(row, 4, new QTableWidgetItem(units.white));
        shown->setItem(row, 5, new QTableWidgetItem(units.walk));
    }
    return shown;
}

QString tabSeparated(const QTableWidget &table)
{
    const auto textOf = [](const QTableWidgetItem *item) {
        return item ? item->text() : QString();
    };
    QStringList header{QString()};
    for (int column = 0; column < table.columnCount(); ++column)
        header << textOf(table.horizontalHeaderItem(column));
    QStringList lines{header.join('\t')};
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells{textOf(table.verticalHeaderItem(row))};
        for (int column = 0; column < table.columnCount(); ++column)
            cells << textOf(table.item(row, column));
        lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

} // namespace noise
