// The file dialogs the window asks, replaceable so that tests can answer them
// without a modal dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace filedialogs {

struct Question
{
    QWidget *parent = nullptr;
    QString caption;
    QString filter;
    QString suggestedPath; // the save dialog's proposal; empty for none
};

// The chosen path, or empty when cancelled.
using Ask = std::function<QString(const Question &)>;

QString openFileName(QWidget *parent, const QString &caption, const QString &filter);
QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                     const QString &suggestedPath = {});

// Replaces the dialogs; an empty function restores the real ones.
void replace(Ask open, Ask save);

} // namespace filedialogs
