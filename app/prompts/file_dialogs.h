// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialogs the window asks, replaceable so that tests can answer them
// without a modal dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace prompts {

struct FileQuestion
{
    QWidget *parent = nullptr;
    QString caption;
    QString filter;
    QString suggestedPath; // the save dialog's proposal; empty for none
};

// The chosen path, or empty when cancelled.
using AskFileName = std::function<QString(const FileQuestion &)>;

QString openFileName(QWidget *parent, const QString &caption, const QString &filter);
QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                     const QString &suggestedPath = {});

// Replaces the dialogs; an empty function restores the real ones.
void replaceFileDialogs(AskFileName open, AskFileName save);

} // namespace prompts
