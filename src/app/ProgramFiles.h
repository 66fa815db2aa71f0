#pragma once
// Where Tavlo Generator's own files are, whether it runs from its build folder or installed:
// the data (sample templates, icons) sits at the same place relative to the program in both.

#include "templates/ProgramData.h" // the data folder itself: the command-line tool finds it too

#include <QString>

// True when the program runs from an installed bin folder; it then writes nothing beside itself.
bool RunsInstalled(const QString& programFolder);

// The first folder of the file dialogs, with a trailing '/': "Templates" in the program folder
// when it runs from a build folder, in the user's data folder when installed or when the program
// folder is read-only. Created when missing; empty when it cannot be made anywhere.
QString TemplatesFolderFor(const QString& programFolder);

// The program's id on the desktop: the name of its menu entry, icon and metadata.
QString ProgramAppId();

// The program's icon in the hicolor theme beside the data folder (empty when it is missing).
QString ProgramIconFile(int size);
