// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "arguments.h"
#include "update_controller.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace updater {

// The updater's only window, a view of the controller's state. In "hide" mode
// it stays invisible until a newer version is offered; a silent run that ends
// up to date or failed just finishes.
class UpdaterWindow : public QWidget
{
    Q_OBJECT

public:
    UpdaterWindow(UpdateController *controller, const UpdaterArguments &arguments,
                  QWidget *parent = nullptr);

signals:
    // The run is over; the program should exit with this code.
    void finished(int exitCode);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void onStateChanged(UpdateState state);
    void onProgress(qint64 received, qint64 total);
    void showTexts(UpdateState state);
    void showButtons(UpdateState state);
    QString installedText() const;
    void finish();

    UpdateController *controller_;
    UpdaterArguments arguments_;
    bool finished_ = false;
    QLabel *status_;
    QPlainTextEdit *notes_;
    QProgressBar *progress_;
    QPushButton *download_;
    QPushButton *cancel_;
    QPushButton *close_;
};

} // namespace updater
