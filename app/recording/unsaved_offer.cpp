// SPDX-License-Identifier: GPL-3.0-or-later
#include "unsaved_offer.h"

#include "filemenu/file_menu.h"

#include <QMessageBox>
#include <QPushButton>

namespace recording {

UnsavedOffer::UnsavedOffer(QWidget &window, filemenu::FileMenu &fileMenu,
                           prompts::Prompter prompter)
    : QObject(&window), window_(window), fileMenu_(fileMenu), prompter_(std::move(prompter))
{
}

void UnsavedOffer::start(const QString &folder)
{
    waiting_ = UnsavedRecording::findAll(folder);
    offerNext();
}

void UnsavedOffer::offerNext()
{
    if (waiting_.empty())
        return;
    offered_ = std::move(waiting_.front());
    waiting_.erase(waiting_.begin());

    QMessageBox box(QMessageBox::Question, "Unsaved recording", offered_->offerText(),
                    QMessageBox::Save | QMessageBox::Ignore | QMessageBox::Discard, &window_);
    box.button(QMessageBox::Save)->setText("Export…");
    box.button(QMessageBox::Ignore)->setText("Later");
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Ignore);
    box.setInformativeText(offered_->damage().join('\n'));
    const int answer = box.exec();
    const QString what = "Unsaved recording from " + offered_->startedText();
    if (answer == QMessageBox::Save) {
        fileMenu_.exportRecording(offered_->snapshot(), offered_->started(),
                                  [this](bool written) { exported(written); });
        return;
    }
    if (answer == QMessageBox::Discard && offered_->discard()) {
        prompter_.log(what + " discarded");
    } else {
        offered_->release();
        prompter_.log(what + " kept in " + QDir::toNativeSeparators(offered_->folder()) +
                      "; it is offered again at the next start");
    }
    offerNext();
}

void UnsavedOffer::exported(bool written)
{
    // A recording not written (no file chosen, cancelled, failed) stays.
    if (written)
        offered_->discard();
    else
        offered_->release();
    // The next box once the export's signal has returned.
    QMetaObject::invokeMethod(this, &UnsavedOffer::offerNext, Qt::QueuedConnection);
}

} // namespace recording
