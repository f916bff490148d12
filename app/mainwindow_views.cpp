// SPDX-License-Identifier: GPL-3.0-or-later
// The View menu and the graph view's pages: the chart and the 3D orientation view.
#include "mainwindow.h"

#include "orientation/orientation_page.h"
#include "views/view_menu.h"

void MainWindow::connectViews()
{
    new views::ViewMenu(*this, *ui, *shown_, angleTimer, prompter());
    orientation::addOrientationPage(*ui, *shown_, angleTimer);
}
