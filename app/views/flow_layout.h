// SPDX-License-Identifier: GPL-3.0-or-later
// A layout that lines its items up left to right and wraps them onto further
// rows when the width runs out, so that no item is ever given less than its
// size hint: a narrow pane gets more rows, not cut controls.
#pragma once

#include <QLayout>
#include <QList>

namespace views {

class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(QWidget *parent = nullptr, int spacing = 5);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem *itemAt(int index) const override { return items_.value(index); }
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items in `rect` (only measures when `place` is false) and
    // returns the height they take.
    int arrange(const QRect &rect, bool place) const;

    QList<QLayoutItem *> items_;
    int spacing_;
};

} // namespace views
