// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the operator can see a view: its window shown and not minimised,
// and the view shown within it (its page the current one, its pane not
// hidden). The display tick asks before it draws a view; when the view comes
// into sight again it says so at once, so that the view is drawn current
// without waiting for the next sample or tick. GUI thread only.
#pragma once

#include <QObject>

class QWidget;

namespace live {

class ViewVisibility : public QObject
{
    Q_OBJECT

public:
    // Watches `view` and its window; a child of `view`. Build it once the
    // view sits in its window.
    explicit ViewVisibility(QWidget &view);

    bool isSeen() const;

signals:
    // The view came into sight: draw it now.
    void seenAgain();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &view_;
    bool seen_;
};

} // namespace live
