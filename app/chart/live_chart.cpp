// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_chart.h"

namespace chart {

// The chart's first frame buffer. The library clears every buffer to
// transparent before a frame; this one takes the chart's background colour
// instead when the background allows it, and remembers which it did.
class OpaqueFrameBuffer : public QCPPaintBufferPixmap
{
public:
    OpaqueFrameBuffer(const LiveChart &chart, const QSize &size, double devicePixelRatio)
        : QCPPaintBufferPixmap(size, devicePixelRatio), chart_(chart)
    {
    }

    void clear(const QColor &color) override
    {
        filledOpaque = color.alpha() == 0 && chart_.backgroundIsOpaque();
        mBuffer.fill(filledOpaque ? chart_.mBackgroundBrush.color() : color);
    }

    bool filledOpaque = false;

private:
    const LiveChart &chart_;
};

LiveChart::LiveChart(QWidget *parent) : QCustomPlot(parent)
{
    opaqueBuffer_ = new OpaqueFrameBuffer(*this, viewport().size(), bufferDevicePixelRatio());
    QSharedPointer<QCPAbstractPaintBuffer> buffer(opaqueBuffer_);
    if (mPaintBuffers.isEmpty())
        mPaintBuffers.append(buffer);
    else
        mPaintBuffers.first() = buffer;
    replot();
}

bool LiveChart::drawsOpaqueFrames() const
{
    return mPaintBuffers.size() == 1 && mPaintBuffers.first().data() == opaqueBuffer_ &&
           opaqueBuffer_->filledOpaque;
}

void LiveChart::paintEvent(QPaintEvent *event)
{
    if (!drawsOpaqueFrames()) {
        QCustomPlot::paintEvent(event);
        return;
    }
    QCPPainter painter(this);
    if (painter.isActive())
        opaqueBuffer_->draw(&painter);
}

bool LiveChart::backgroundIsOpaque() const
{
    return mBackgroundPixmap.isNull() && mBackgroundBrush.style() == Qt::SolidPattern &&
           mBackgroundBrush.color().alpha() == 255;
}

} // namespace chart
