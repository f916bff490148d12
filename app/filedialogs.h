// The file dialogs the firmware commands ask, replaceable so that tests can
// answer them without a modal dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace filedialogs {

// (parent, caption, filter) -> chosen path, or empty when cancelled.
using Ask = std::function<QString(QWidget *, const QString &, const QString &)>;

QString openFileName(QWidget *parent, const QString &caption, const QString &filter);
QString saveFileName(QWidget *parent, const QString &caption, const QString &filter);

// Replaces the dialogs; an empty function restores the real ones.
void replace(Ask open, Ask save);

} // namespace filedialogs
