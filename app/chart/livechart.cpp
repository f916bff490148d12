#include "livechart.h"

// The chart's first frame buffer. The library clears every buffer to
// transparent before a frame; this one takes the chart's background colour
// instead when the background allows it, and remembers which it did.
class OpaqueFrameBuffer : public QCPPaintBufferPixmap
{
public:
    OpaqueFrameBuffer(const LiveChart &chart, const QSize &size, double devicePixelRatio)
        : QCPPaintBufferPixmap(size, devicePixelRatio), chart(chart)
    {
    }

    void clear(const QColor &color) override
    {
        filledOpaque = color.alpha() == 0 && chart.backgroundIsOpaque();
        mBuffer.fill(filledOpaque ? chart.mBackgroundBrush.color() : color);
    }

    bool filledOpaque = false;

private:
    const LiveChart &chart;
};

LiveChart::LiveChart(QWidget *parent) : QCustomPlot(parent)
{
    opaqueBuffer = new OpaqueFrameBuffer(*this, viewport().size(), bufferDevicePixelRatio());
    QSharedPointer<QCPAbstractPaintBuffer> buffer(opaqueBuffer);
    if (mPaintBuffers.isEmpty())
        mPaintBuffers.append(buffer);
    else
        mPaintBuffers.first() = buffer;
    replot();
}

bool LiveChart::drawsOpaqueFrames() const
{
    return mPaintBuffers.size() == 1 && mPaintBuffers.first().data() == opaqueBuffer &&
           opaqueBuffer->filledOpaque;
}

void LiveChart::paintEvent(QPaintEvent *event)
{
    if (!drawsOpaqueFrames()) {
        QCustomPlot::paintEvent(event);
        return;
    }
    QCPPainter painter(this);
    if (painter.isActive())
        opaqueBuffer->draw(&painter);
}

bool LiveChart::backgroundIsOpaque() const
{
    return mBackgroundPixmap.isNull() && mBackgroundBrush.style() == Qt::SolidPattern &&
           mBackgroundBrush.color().alpha() == 255;
}
