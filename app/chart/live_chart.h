// SPDX-License-Identifier: GPL-3.0-or-later
// The window's chart widget: a QCustomPlot whose frames cost one pass over
// their pixels fewer. The library's widget clears its frame buffer to
// transparent, fills its background on screen and blends the buffer over
// it. With a plain opaque background, this widget fills the buffer with the
// background itself and copies it to the screen unblended. Everything else
// is the library's.
#pragma once

#include <qcustomplot.h>

namespace chart {

class OpaqueFrameBuffer;

class LiveChart : public QCustomPlot
{
    Q_OBJECT
public:
    explicit LiveChart(QWidget *parent = nullptr);

    // Whether the last frame was drawn into the opaque buffer (false when a
    // second buffered layer, a background pixmap or a see-through background
    // brush left the library's own way in charge).
    bool drawsOpaqueFrames() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    friend class OpaqueFrameBuffer;
    bool backgroundIsOpaque() const;

    OpaqueFrameBuffer *opaqueBuffer_ = nullptr;
};

} // namespace chart
