// SPDX-License-Identifier: GPL-3.0-or-later
// A table of every field of the latest sample with its unit: one row per
// quantity, columns w, x, y, z and the unit.
#pragma once

#include "imuserial.h"

#include <QTableWidget>

namespace views {

class ParserDataPanel : public QTableWidget
{
    Q_OBJECT

public:
    explicit ParserDataPanel(QWidget *parent = nullptr);

    void showSample(const IMUserial::sensor_data &sample);

    QSize sizeHint() const override;

private:
    void fitColumns();
};

} // namespace views
