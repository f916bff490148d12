// SPDX-License-Identifier: GPL-3.0-or-later
// The chart saved as an image file, in the format its name asks for.
#pragma once

#include <QString>

class QCustomPlot;

namespace chart {

enum class ImageFormat
{
    Png,
    Jpg,
    Bmp,
    Pdf,
};

// The format a file name's extension names (any letter case); PNG for none
// or one not listed here.
ImageFormat imageFormatFor(const QString &path);

// `path` itself when its extension names a format, else `path` + ".png".
QString withImageSuffix(const QString &path);

// The file-dialog filter listing the formats.
QString imageDialogFilter();

// Writes the chart at its on-screen size to `path` in imageFormatFor(path), all or
// nothing. Empty on success, else the failure in plain words.
QString saveImage(QCustomPlot &chart, const QString &path);

} // namespace chart
