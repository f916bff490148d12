// SPDX-License-Identifier: GPL-3.0-or-later
#include "closed_port.h"

#include <QDebug>

namespace connection {

bool deviceOpen(IMUserial::IMUSerial &device, const Notice &notice,
                const prompts::Prompter &prompter)
{
    if (device.isDeivceOpen())
        return true;
    if (notice.logLine)
        prompter.log(notice.logLine);
    if (notice.debugLine)
        qDebug() << notice.debugLine;
    if (notice.boxText)
        prompter.error("Error", notice.boxText);
    return false;
}

} // namespace connection
