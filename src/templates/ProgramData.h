#pragma once
// Where Tavlo Generator's own data (sample templates, icons) is, whether a program runs from its
// build folder or installed: at the same place relative to the program in both, so the window
// and `tavlo` find the same samples.

#include <QString>

// The data folder beside a program folder, whether or not it exists.
QString DataFolderBeside(const QString& programFolder);

// The program's data folder (holding "samples/"): TAVLO_DATA_DIR when set, else the one beside
// the running program's folder. Empty when there is none.
QString ProgramDataFolder();

// The data folder's "samples" folder; empty when there is no data folder.
QString SampleTemplatesFolder();
