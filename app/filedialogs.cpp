#include "filedialogs.h"

#include <QFileDialog>

namespace filedialogs {

namespace {

Ask openReplacement;
Ask saveReplacement;

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

void replace(Ask open, Ask save)
{
    openReplacement = std::move(open);
    saveReplacement = std::move(save);
}

} // namespace filedialogs
