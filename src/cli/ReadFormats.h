#pragma once
// The picture files `tavlo` reads, named in every help text from the loader's own table so that
// the help cannot drift from what is read; the bash completion takes its file patterns from it.

#include <QString>

// "Pictures are read by their extension (any case): .bmp .ico ... .webp", the extensions in
// the order of their picture kinds.
QString ReadFormatsLine();
