#pragma once

#include <QStringList>

// twinsift-bench --trash PATH...: moves the given files to the Trash through the deletion's own
// move (platform::FileManager::trashItem, with the file's state taken first and checked again right
// before the move) and prints one JSON entry per file: moved or not, where it went, the error. The
// Trash is the one the program would use (XDG_DATA_HOME is honoured). Exit status 0 when every file
// moved, else 1.
int trashMode(const QStringList &paths);
