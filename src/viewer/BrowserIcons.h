// The folder and file icons of the browser's lists, drawn by the program
// itself: looking them up in the desktop's icon theme costs about ten
// milliseconds of the window's start, and the lists need only these two.
#pragma once

#include <QIcon>

namespace zin {

// Each call draws the icon anew: the window keeps what it asks for (a
// static icon would outlive the application object that pixmaps need).
QIcon FolderIcon();
QIcon FileIcon();

}  // namespace zin
