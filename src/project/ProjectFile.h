#pragma once
// The .tavlo project file: a zip archive holding a JSON manifest and PNG pictures. The layout is
// described in docs/project-format.md.

#include "project/Project.h"

#include <QString>
#include <stdexcept>

inline constexpr char ProjectMimeType[] = "application/x-tavlo-project";
inline constexpr char ProjectExtension[] = "tavlo";
// The newest format this program reads. Format 2 adds the back cover; a project without one is
// written as format 1, which earlier versions read as before.
inline constexpr int ProjectFormatVersion = 2;
inline constexpr int ProjectFormatWithoutBack = 1;

// A project file that cannot be read or written; the message is ready for the user.
class TProjectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes project to path through a temporary file that replaces path only when complete.
void SaveProject(const TProject& project, const QString& path);
// Reads a project. A damaged or foreign file throws TProjectError and returns nothing half read.
// Entries this version does not know are skipped.
TProject LoadProject(const QString& path);
