// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/collected_readings.h"

#include "calibration/fit_limits.h"
#include "calibration/magnetometer_fit.h"

namespace calibration {

namespace {

Eigen::Vector3d vector(const IMUserial::vec3 &v)
{
    return {v.x, v.y, v.z};
}

std::vector<Eigen::Vector3d> aboutCentre(const std::vector<Eigen::Vector3d> &points,
                                         const Eigen::Vector3d &centre)
{
    std::vector<Eigen::Vector3d> shifted;
    shifted.reserve(points.size());
    for (const Eigen::Vector3d &point : points)
        shifted.push_back(point - centre);
    return shifted;
}

double meanNorm(const std::vector<Eigen::Vector3d> &vectors)
{
    double sum = 0;
    for (const Eigen::Vector3d &v : vectors)
        sum += v.norm();
    return vectors.empty() ? 1 : sum / double(vectors.size());
}

} // namespace

void ThinnedPoints::add(const Eigen::Vector3d &point)
{
    if (all_.size() % stride_ == 0) {
        if (drawn_.size() == kMostDrawnPoints) {
            // Keeps the drawn points whose index is a multiple of the doubled
            // stride, so the share stays spread evenly over the whole run.
            for (std::size_t i = 0; 2 * i < drawn_.size(); ++i)
                drawn_[i] = drawn_[2 * i];
            drawn_.resize((drawn_.size() + 1) / 2);
            stride_ *= 2;
        }
        if (all_.size() % stride_ == 0)
            drawn_.push_back(point);
    }
    all_.push_back(point);
}

CollectedReadings::CollectedReadings(Choice choice, double sampleRate)
    : choice_(choice), poseFinders_{StillPoseFinder(sampleRate), StillPoseFinder(sampleRate)}
{
}

void CollectedReadings::add(const IMUserial::sensor_data_calibration &record)
{
    if (choice_.sensor == Sensor::Magnetometer) {
        magnetometer_.add(vector(record.mag));
        latest_ = vector(record.mag);
        return;
    }
    const Eigen::Vector3d acc[] = {vector(record.acc1), vector(record.acc2)};
    for (std::size_t chip = 0; chip < poseFinders_.size(); ++chip) {
        if (chosen(chip))
            poseFinders_[chip].add(acc[chip]);
    }
    latest_ = chosen(0) ? acc[0] : acc[1];
}

bool CollectedReadings::canCompute() const
{
    if (choice_.sensor == Sensor::Magnetometer)
        return !magnetometer_.all().empty();
    for (std::size_t chip = 0; chip < poseFinders_.size(); ++chip) {
        if (chosen(chip) && poseFinders_[chip].poses().empty())
            return false;
    }
    return true;
}

QString CollectedReadings::figuresText() const
{
    return choice_.sensor == Sensor::Magnetometer ? magnetometerFigures() : accelerometerFigures();
}

QString CollectedReadings::magnetometerFigures() const
{
    const std::vector<Eigen::Vector3d> &drawn = magnetometer_.drawn();
    return QStringLiteral("%1 readings\n%2 % of directions covered\n|B| spread %3 %")
        .arg(magnetometer_.all().size())
        .arg(directionsCovered(drawn, boundingBoxCentre(magnetometer_.all())).percent(), 0, 'f', 0)
        .arg(magnitudeSpreadPercent(drawn), 0, 'f', 1);
}

QString CollectedReadings::accelerometerFigures() const
{
    QStringList lines;
    for (std::size_t chip = 0; chip < poseFinders_.size(); ++chip) {
        if (chosen(chip))
            lines << QStringLiteral("Chip %1: %2 still poses, spread %3")
                         .arg(chip + 1)
                         .arg(poseFinders_[chip].poses().size())
                         .arg(poseSpread(poseFinders_[chip].poses()), 0, 'f', 2);
    }
    return lines.join('\n');
}

CloudScene CollectedReadings::scene() const
{
    return choice_.sensor == Sensor::Magnetometer ? magnetometerScene() : accelerometerScene();
}

CloudScene CollectedReadings::magnetometerScene() const
{
    CloudScene scene;
    scene.centre = boundingBoxCentre(magnetometer_.all());
    scene.points = magnetometer_.drawn();
    scene.latest = latest_;
    scene.radius = meanNorm(aboutCentre(scene.points, scene.centre));
    const SphereCoverage coverage = directionsCovered(scene.points, scene.centre);
    for (std::size_t cell = 0; cell < kSphereCells; ++cell)
        scene.marks.push_back({scene.centre + scene.radius * SphereCoverage::cellCentre(cell),
                               coverage.reached(cell)});
    return scene;
}

CloudScene CollectedReadings::accelerometerScene() const
{
    CloudScene scene;
    scene.radius = kStandardGravity;
    scene.latest = latest_;
    const std::vector<Eigen::Vector3d> &wanted = wantedPoseDirections();
    for (std::size_t index = 0; index < wanted.size(); ++index) {
        bool reached = true;
        for (std::size_t chip = 0; chip < poseFinders_.size(); ++chip)
            reached = reached &&
                      (!chosen(chip) || wantedDirectionReached(poseFinders_[chip].poses(), index));
        scene.marks.push_back({kStandardGravity * wanted[index], reached});
    }
    for (std::size_t chip = 0; chip < poseFinders_.size(); ++chip) {
        if (!chosen(chip))
            continue;
        for (const StillPose &pose : poseFinders_[chip].poses())
            scene.poses.push_back(pose.mean);
    }
    return scene;
}

FitInput CollectedReadings::fitInput() const
{
    return {choice_,
            magnetometer_.all(),
            {chosen(0) ? poseFinders_[0].poses() : std::vector<StillPose>{},
             chosen(1) ? poseFinders_[1].poses() : std::vector<StillPose>{}}};
}

} // namespace calibration
