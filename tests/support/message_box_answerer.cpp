// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

MessageBoxAnswerer::MessageBoxAnswerer(QList<QMessageBox::StandardButton> scripted)
    : answers(std::move(scripted))
{
    connect(&poll, &QTimer::timeout, this, &MessageBoxAnswerer::answerOpenBox);
    poll.start(5);
}

QStringList MessageBoxAnswerer::texts() const
{
    QStringList result;
    for (const SeenMessageBox &box : seenBoxes)
        result << box.text;
    return result;
}

void MessageBoxAnswerer::answerOpenBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    int boxesOpen = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        boxesOpen += qobject_cast<QMessageBox *>(widget) && widget->isVisible();
    seenBoxes.append(
        {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), boxesOpen});
    const QMessageBox::StandardButton answer =
        answers.isEmpty() ? QMessageBox::Escape : answers.takeFirst();
    if (answer == QMessageBox::Escape || !box->button(answer))
        QTest::keyClick(box, Qt::Key_Escape);
    else
        box->button(answer)->click();
}
