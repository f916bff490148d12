// SPDX-License-Identifier: GPL-3.0-or-later
// What one frame of the 3D orientation view costs: the scene painted into an
// image of the given size, the attitude changing every frame as a live
// stream makes it, and the widget's own repaint through QWidget::render.
//
//   orientation_bench [FRAMES] [WIDTH] [HEIGHT]   defaults 2000 frames at 800 x 500
#include "orientation/orientation_scene.h"
#include "orientation/orientation_view.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using BenchClock = std::chrono::steady_clock;

namespace {

orientation::Quaternion swayingAttitude(int frame)
{
    const double t = frame * 0.016;
    return orientation::quaternionFromEuler({35 * std::sin(t), 20 * std::cos(0.7 * t), 40 * t});
}

template <class PaintFrame> double microsecondsPerFrame(int frames, PaintFrame &&paintFrame)
{
    const BenchClock::time_point start = BenchClock::now();
    for (int frame = 0; frame < frames; ++frame)
        paintFrame(frame);
    return std::chrono::duration<double, std::micro>(BenchClock::now() - start).count() / frames;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int width = argc > 2 ? std::atoi(argv[2]) : 800;
    const int height = argc > 3 ? std::atoi(argv[3]) : 500;
    if (frames <= 0 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: orientation_bench [FRAMES] [WIDTH] [HEIGHT]\n");
        return 2;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);

    const double scene = microsecondsPerFrame(frames, [&](int frame) {
        QPainter painter(&image);
        orientation::paintScene(painter, image.rect(), swayingAttitude(frame));
    });

    orientation::OrientationView view;
    view.resize(width, height);
    const double widget = microsecondsPerFrame(frames, [&](int frame) {
        view.setAttitude(swayingAttitude(frame));
        view.render(&image);
    });

    std::printf("%d frames at %d x %d\n", frames, width, height);
    std::printf("scene into an image: %8.1f us per frame\n", scene);
    std::printf("widget render:       %8.1f us per frame\n", widget);
    std::printf("share of a 16 ms refresh: %.1f %%\n", widget / 16000.0 * 100);
    return 0;
}
