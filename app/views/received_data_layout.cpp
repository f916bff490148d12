// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/received_data_layout.h"

#include "live/sample_text.h"
#include "ui_mainwindow.h"
#include "views/flow_layout.h"

#include <QFontMetrics>
#include <QScrollBar>

#include <initializer_list>

namespace views {

namespace {

// A sample whose every field has the widest text its quantity reaches in
// practice: a fast turn, a hard knock, a strong magnet, a cold morning.
IMUserial::sensor_data widestSample()
{
    IMUserial::sensor_data sample{};
    sample.angle = {-179.99f, -179.99f, -179.99f};
    sample.quat = {-0.99f, -0.99f, -0.99f, -0.99f};
    sample.gyr = {-1999.99f, -1999.99f, -1999.99f};
    sample.acc = {-156.99f, -156.99f, -156.99f};
    sample.free_acc = {-156.9999f, -156.9999f, -156.9999f};
    sample.mag = {-999.99f, -999.99f, -999.99f};
    sample.temp = -40.00f;
    return sample;
}

// Puts `widgets`, taken out of the form's layouts, into one group that stays
// together on a row of the flow.
QWidget *group(QWidget *parent, std::initializer_list<QWidget *> widgets)
{
    auto *box = new QWidget(parent);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    return box;
}

void flowChartControls(Ui_MainWindow &ui)
{
    QWidget *pane = ui.verticalLayoutWidget_2;
    for (QLayout *grid :
         {static_cast<QLayout *>(ui.gridLayout_18), static_cast<QLayout *>(ui.gridLayout_19)})
        while (QLayoutItem *item = grid->takeAt(0))
            delete item;
    ui.horizontalLayout_3->removeItem(ui.horizontalSpacer);
    delete ui.horizontalSpacer;
    ui.horizontalSpacer = nullptr;

    const QFontMetrics metrics(ui.lineEdit_angle_x->font());
    for (QLineEdit *readout : {ui.lineEdit_angle_x, ui.lineEdit_angle_y, ui.lineEdit_angle_z})
        readout->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("-180.00")) + 16);

    auto *controls = new QWidget(pane);
    controls->setObjectName("chartControls");
    auto *flow = new FlowLayout(controls);
    for (QWidget *box : {
             group(controls, {ui.pushButtonEnablePlot, ui.checkBoxShowLegend}),
             group(controls, {ui.checkBoxEnableTracer, ui.comboBoxTracerStyle}),
             group(controls, {ui.label_7, ui.comboBoxShowType}),
             group(controls, {ui.spinBoxScrollingTimeRange}),
             group(controls, {ui.label_10, ui.comboBoxGraphDisplayMode}),
             group(controls, {ui.label_4, ui.lineEdit_angle_x}),
             group(controls, {ui.label_5, ui.lineEdit_angle_y}),
             group(controls, {ui.label_6, ui.lineEdit_angle_z}),
             group(controls, {ui.pushButtonStartPlot, ui.pushButtonClearGraphs}),
         })
        flow->addWidget(box);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    controls->setSizePolicy(policy);
    ui.horizontalLayout_3->addWidget(controls, 1);
}

void followLogTemplate(Ui_MainWindow &ui)
{
    const stream::DisplayMode mode =
        stream::messageModeFor(ui.comboBoxMessagesDisplayMode->currentText());
    CodeEditor &log = *ui.textBrowserLogs;
    const int frame = 2 * log.frameWidth() + 2 * int(log.document()->documentMargin());
    const int line = widestLogLine(mode, ui.checkBoxShowTime->isChecked(), log.font());
    const int width = log.lineNumberAreaWidthFor(ui.spinBoxMaxLines->value()) + line + frame +
                      log.verticalScrollBar()->sizeHint().width();
    ui.layoutWidget->setMinimumWidth(
        std::max(width, ui.scrollAreaTextLogOptions->sizeHint().width()));
}

} // namespace

int widestLogLine(stream::DisplayMode mode, bool timeStamped, const QFont &font)
{
    const QString stamp = timeStamped ? QStringLiteral("[00:00:00.000]: ") : QString();
    return QFontMetrics(font).horizontalAdvance(stamp + live::sampleLine(mode, widestSample())) + 1;
}

void fitReceivedData(Ui_MainWindow &ui)
{
    flowChartControls(ui);
    followLogTemplate(ui);
    QObject::connect(ui.comboBoxMessagesDisplayMode, &QComboBox::currentTextChanged,
                     ui.layoutWidget, [&ui] { followLogTemplate(ui); });
    QObject::connect(ui.checkBoxShowTime, &QCheckBox::toggled, ui.layoutWidget,
                     [&ui] { followLogTemplate(ui); });
    QObject::connect(ui.spinBoxMaxLines, &QSpinBox::valueChanged, ui.layoutWidget,
                     [&ui] { followLogTemplate(ui); });
}

} // namespace views
