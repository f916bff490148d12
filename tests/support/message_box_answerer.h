// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the modal message boxes a test provokes, in order, and remembers
// what each showed. A box left unanswered by the script is closed with Escape
// so that no test can hang on it.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

struct SeenMessageBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    int boxesOpen; // message boxes visible at the moment this one was answered
};

class MessageBoxAnswerer : public QObject
{
public:
    // QMessageBox::Escape stands for pressing the Escape key.
    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers = {});

    const QList<SeenMessageBox> &seen() const { return seenBoxes; }
    QStringList texts() const;

private:
    void answerOpenBox();

    QList<QMessageBox::StandardButton> answers;
    QList<SeenMessageBox> seenBoxes;
    QTimer poll;
};
