// SPDX-License-Identifier: GPL-3.0-or-later
#include "orientation_page.h"

#include "live/shown_sample.h"
#include "live/view_visibility.h"
#include "orientation/orientation_view.h"
#include "ui_mainwindow.h"

#include <QStackedWidget>

namespace orientation {

void addOrientationPage(Ui_MainWindow &ui, const live::ShownSample &shown, QTimer &displayTick)
{
    auto *view = new OrientationView(ui.stackedWidgetGraphView);
    ui.stackedWidgetGraphView->addWidget(view);
    auto *visibility = new live::ViewVisibility(*view);
    const auto refresh = [&shown, view, visibility] {
        if (!visibility->isSeen())
            return;
        // Level until the first sample arrives.
        const auto sample = shown.sample();
        if (sample)
            view->setAttitude({sample->quat.w, sample->quat.x, sample->quat.y, sample->quat.z});
    };
    QObject::connect(ui.actionPlotter, &QAction::triggered, view,
                     [&ui] { ui.stackedWidgetGraphView->setCurrentWidget(ui.page); });
    QObject::connect(ui.action3D_orientation, &QAction::triggered, view,
                     [&ui, view] { ui.stackedWidgetGraphView->setCurrentWidget(view); });
    QObject::connect(&displayTick, &QTimer::timeout, view, refresh);
    QObject::connect(visibility, &live::ViewVisibility::seenAgain, view, refresh);
    QObject::connect(&shown, &live::ShownSample::changed, view, refresh);
}

} // namespace orientation
