// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompts/file_dialogs.h"

#include <QFileDialog>

namespace prompts {

namespace {

AskFileName openReplacement;
AskFileName saveReplacement;

} // namespace

QString openFileName(QWidget *parent, const QString &caption, const QString &filter)
{
    if (openReplacement)
        return openReplacement({parent, caption, filter, {}});
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                     const QString &suggestedPath)
{
    if (saveReplacement)
        return saveReplacement({parent, caption, filter, suggestedPath});
    return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
}

void replaceFileDialogs(AskFileName open, AskFileName save)
{
    openReplacement = std::move(open);
    saveReplacement = std::move(save);
}

} // namespace prompts
