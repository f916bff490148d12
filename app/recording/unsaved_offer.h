// SPDX-License-Identifier: GPL-3.0-or-later
// At start-up, each recording a program left unsaved (it ended without an
// export: a crash, kill -9, a power cut) is offered once: Export... writes
// the same CSV files as "to .csv..." and then removes it, Later keeps it for
// the next start, Discard removes it.
#pragma once

#include "prompts/prompter.h"
#include "recording/recovery.h"

#include <QObject>

#include <memory>
#include <vector>

class QWidget;

namespace filemenu {
class FileMenu;
}

namespace recording {

class UnsavedOffer : public QObject
{
public:
    UnsavedOffer(QWidget &window, filemenu::FileMenu &fileMenu, prompts::Prompter prompter);

    // Finds the unsaved recordings and offers them one after the other.
    void start(const QString &folder = QDir::tempPath());

private:
    void offerNext();
    void exported(bool written);

    QWidget &window_;
    filemenu::FileMenu &fileMenu_;
    prompts::Prompter prompter_;
    std::vector<std::unique_ptr<UnsavedRecording>> waiting_;
    std::unique_ptr<UnsavedRecording> offered_;
};

} // namespace recording
