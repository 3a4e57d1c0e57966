// The folder and file icons of the browser's lists, drawn by the program
// itself: looking them up in the desktop's icon theme costs about ten
// milliseconds of the window's start, and the lists need only these two.
#pragma once

#include <QIcon>

namespace zin {

const QIcon& FolderIcon();
const QIcon& FileIcon();

}  // namespace zin
