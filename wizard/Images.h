#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// The pictures of the window, drawn for us as SVG.
namespace quorlane::wizard::images {

QIcon root();
QIcon folder();
QIcon page();
QIcon windowIcon();
QPixmap pageList(int index, bool current);
QPixmap welcome();
QCursor hand();

} // namespace quorlane::wizard::images
