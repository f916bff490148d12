// SPDX-License-Identifier: GPL-3.0-or-later
// The 3D orientation view: its attitude math and projection, the picture it
// paints, and how the window shows it and feeds it from the stream.
#include "orientation/attitude.h"
#include "orientation/orientation_scene.h"
#include "orientation/orientation_view.h"
#include "orientation/projection.h"
#include "window_fixture.h"

#include <QAction>
#include <QImage>
#include <QStackedWidget>

#include <thread>

using namespace orientation;

namespace {

constexpr double tolerance = 1e-9;

void expectPointsNear(const std::array<QPointF, 4> &actual, const std::array<QPointF, 4> &expected)
{
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(actual[i].x(), expected[i].x(), tolerance);
        EXPECT_NEAR(actual[i].y(), expected[i].y(), tolerance);
    }
}

void expectVecNear(const Vec3 &actual, const Vec3 &expected)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

const BoxSize board{1.0, 0.6, 0.2};

// 100 pixels per unit around (200, 200).
Camera cameraAt(double azimuth, double elevation)
{
    return {viewFrom(azimuth, elevation), 100, QPointF(200, 200)};
}

} // namespace

TEST(Attitude, QuaternionsTurnBodyAxesAsTheRightHandRuleSays)
{
    const Rotation roll90 = rotationFromQuaternion(quaternionFromEuler({90, 0, 0}));
    expectVecNear(rotated(roll90, {0, 0, 1}), {0, -1, 0});
    expectVecNear(rotated(roll90, {0, 1, 0}), {0, 0, 1});
    const Rotation pitch90 = rotationFromQuaternion(quaternionFromEuler({0, 90, 0}));
    expectVecNear(rotated(pitch90, {1, 0, 0}), {0, 0, -1});
    const Rotation yaw90 = rotationFromQuaternion(quaternionFromEuler({0, 0, 90}));
    expectVecNear(rotated(yaw90, {1, 0, 0}), {0, 1, 0});

    // Scale does not matter, and nothing at all reads as the reference.
    const Quaternion q = quaternionFromEuler({20, -35, 140});
    const Rotation unit = rotationFromQuaternion(q);
    const Rotation scaled = rotationFromQuaternion({3 * q.w, 3 * q.x, 3 * q.y, 3 * q.z});
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_NEAR(scaled[row][column], unit[row][column], tolerance);
    expectVecNear(rotated(rotationFromQuaternion({0, 0, 0, 0}), {1, 2, 3}), {1, 2, 3});
}

TEST(Attitude, EulerReadoutsComeBackFromTheQuaternion)
{
    const EulerDegrees cases[] = {{10, -20, 30}, {-170, 45, -90}, {0, -89, 179}, {0, 0, 0}};
    for (const EulerDegrees &angles : cases) {
        const EulerDegrees back = eulerFromQuaternion(quaternionFromEuler(angles));
        EXPECT_NEAR(back.roll, angles.roll, 1e-6);
        EXPECT_NEAR(back.pitch, angles.pitch, 1e-6);
        EXPECT_NEAR(back.yaw, angles.yaw, 1e-6);
    }
    // Rounding past ±90° pitch must not turn the read-out into NaN.
    const double h = std::sqrt(0.5) * (1 + 1e-12);
    EXPECT_NEAR(eulerFromQuaternion({h, 0, h, 0}).pitch, 90, 1e-3);

    EXPECT_EQ(attitudeReadout({10, -20.04, 179.96}),
              QString("Roll      10.0°\nPitch    -20.0°\nYaw      180.0°"));
}

TEST(Projection, RolledNinetyDegreesTheTopFaceFacesAViewerInFront)
{
    // The viewer stands on the world's -y side; roll +90° turns the top
    // towards them with its +y edge up.
    const Camera front = cameraAt(-90, 0);
    const ProjectedBox box =
        projectBox(front, rotationFromQuaternion(quaternionFromEuler({90, 0, 0})), board);
    // Top face corners in order: (-x,-y), (+x,-y), (+x,+y), (-x,+y).
    expectPointsNear(projectedFace(box, Face::Top),
                     {QPointF(100, 260), QPointF(300, 260), QPointF(300, 140), QPointF(100, 140)});
    const std::array<Face, faceCount> order = facesBackToFront(box);
    EXPECT_EQ(order.back(), Face::Top);
    EXPECT_EQ(order.front(), Face::Bottom);

    // Rolled the other way the top faces away, so it is painted first.
    const ProjectedBox away =
        projectBox(front, rotationFromQuaternion(quaternionFromEuler({-90, 0, 0})), board);
    EXPECT_EQ(facesBackToFront(away).front(), Face::Top);
}

TEST(Projection, YawedNinetyDegreesTheFrontEdgePointsUpInATopView)
{
    // Seen from above, world x is to the right and world y up the screen.
    const Camera above = cameraAt(-90, 90);
    const ProjectedBox box =
        projectBox(above, rotationFromQuaternion(quaternionFromEuler({0, 0, 90})), board);
    expectPointsNear(projectedFace(box, Face::Top),
                     {QPointF(260, 300), QPointF(260, 100), QPointF(140, 100), QPointF(140, 300)});
    EXPECT_EQ(facesBackToFront(box).back(), Face::Top);
}

TEST(Projection, NearerFacesArePaintedLaterFromAnyViewpoint)
{
    const Camera camera = cameraAt(-55, 25);
    for (const EulerDegrees &angles : {EulerDegrees{0, 0, 0}, EulerDegrees{30, 60, -120},
                                       EulerDegrees{180, 0, 45}, EulerDegrees{-75, -10, 200}}) {
        const Rotation bodyToWorld = rotationFromQuaternion(quaternionFromEuler(angles));
        const Rotation bodyToView = multiplied(camera.worldToView, bodyToWorld);
        const std::array<Face, faceCount> order =
            facesBackToFront(projectBox(camera, bodyToWorld, board));
        // Every face turned away from the viewer comes before every face turned towards it.
        bool seenFacing = false;
        for (const Face face : order) {
            const bool facing = rotated(bodyToView, faceNormal(face)).z > 0;
            EXPECT_FALSE(seenFacing && !facing) << static_cast<int>(face);
            seenFacing = seenFacing || facing;
        }
    }
}

namespace {

QImage rendered(const Quaternion &attitude)
{
    OrientationView view;
    view.resize(320, 240);
    view.setAttitude(attitude);
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A point well inside the top face, in the quadrant nearest the bottom of the
// screen: away from the z axis, which rises from the face's centre, and from
// the +x marker.
QPoint insideTopFace(const QSize &size, const Quaternion &attitude)
{
    const Camera camera = sceneCamera(QRectF(QPointF(0, 0), size));
    const std::array<QPointF, 4> corners =
        projectedFace(projectBox(camera, rotationFromQuaternion(attitude), moduleBox), Face::Top);
    QPointF centre(0, 0);
    QPointF lowest = corners[0];
    for (const QPointF &corner : corners) {
        centre += corner / 4;
        if (corner.y() > lowest.y())
            lowest = corner;
    }
    return ((centre + lowest) / 2).toPoint();
}

bool looksLikeTopFace(QRgb pixel)
{
    return qRed(pixel) > qBlue(pixel) + 60;
}

} // namespace

TEST(OrientationPicture, DifferentAttitudesPaintDifferentPictures)
{
    const QImage level = rendered({});
    const QImage rolled = rendered(quaternionFromEuler({30, 0, 0}));
    const QImage yawed = rendered(quaternionFromEuler({0, 0, 90}));
    EXPECT_NE(level, rolled);
    EXPECT_NE(level, yawed);
    EXPECT_NE(rolled, yawed);
    EXPECT_EQ(rendered(quaternionFromEuler({0, 0, 90})), yawed)
        << "the same attitude repaints alike";
}

TEST(OrientationPicture, TheMarkedTopFaceShowsWhereTheTopIs)
{
    const QSize size(320, 240);
    const QPoint spot = insideTopFace(size, {});
    const QImage level = rendered({});
    EXPECT_TRUE(looksLikeTopFace(level.pixel(spot)))
        << QColor(level.pixel(spot)).name().toStdString();
    // Upside down the bottom covers that spot instead.
    const QImage upsideDown = rendered(quaternionFromEuler({180, 0, 0}));
    EXPECT_FALSE(looksLikeTopFace(upsideDown.pixel(spot)))
        << QColor(upsideDown.pixel(spot)).name().toStdString();
    // The background corner below the read-outs is the scene's, not the box's.
    EXPECT_FALSE(looksLikeTopFace(level.pixel(size.width() - 2, size.height() - 2)));
}

class OrientationWindow : public WindowTest
{
protected:
    QStackedWidget *pages() { return find<QStackedWidget>("stackedWidgetGraphView"); }
    OrientationView *view() { return find<OrientationView>("orientationView"); }
    void trigger(const char *action) { find<QAction>(action)->trigger(); }

    void streamAttitude(const Quaternion &q)
    {
        IMUserial::sensor_data sample{};
        sample.quat = {static_cast<float>(q.w), static_cast<float>(q.x), static_cast<float>(q.y),
                       static_cast<float>(q.z)};
        std::thread([&] { ASSERT_TRUE(device().emitSample(sample)); }).join();
    }

    static bool sameAsStreamed(const Quaternion &shown, const Quaternion &sent)
    {
        return shown.w == static_cast<float>(sent.w) && shown.x == static_cast<float>(sent.x) &&
               shown.y == static_cast<float>(sent.y) && shown.z == static_cast<float>(sent.z);
    }
};

TEST_F(OrientationWindow, ShortcutsSwitchBetweenTheChartAndTheView)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(pages()->currentWidget(), find<QWidget>("page"));
    EXPECT_TRUE(find<QAction>("action3D_orientation")->isEnabled());

    QTest::keyClick(window.get(), Qt::Key_9, Qt::ControlModifier);
    EXPECT_EQ(pages()->currentWidget(), view());
    EXPECT_EQ(pages()->indexOf(view()), 1);
    QTest::keyClick(window.get(), Qt::Key_8, Qt::ControlModifier);
    EXPECT_EQ(pages()->currentWidget(), find<QWidget>("page"));
}

TEST_F(OrientationWindow, FollowsTheStreamWhileShownAndCatchesUpWhenShownAgain)
{
    connectDevice();
    trigger("action3D_orientation");
    const Quaternion rolled = quaternionFromEuler({45, 0, 0});
    streamAttitude(rolled);
    ASSERT_TRUE(waitUntil([&] { return sameAsStreamed(view()->attitude(), rolled); }));

    // Recording the offset makes the module report its attitude from then on
    // relative to this one: the reference attitude, drawn level.
    MessageBoxAnswerer answers({QMessageBox::Yes});
    click("pushButtonRecordQuaternionOffset");
    ASSERT_TRUE(device().wasCalled("RecordQuaternionOffset"));
    streamAttitude({});
    ASSERT_TRUE(waitUntil([&] { return sameAsStreamed(view()->attitude(), {}); }));
    EXPECT_EQ(view()->grab().toImage(), [&] {
        OrientationView reference;
        reference.resize(view()->size());
        return reference.grab().toImage();
    }());

    // Hidden, it is left alone; shown again, it has the latest at once.
    trigger("actionPlotter");
    const Quaternion yawed = quaternionFromEuler({0, 0, -60});
    streamAttitude(yawed);
    trigger("action3D_orientation");
    EXPECT_TRUE(sameAsStreamed(view()->attitude(), yawed));
}
