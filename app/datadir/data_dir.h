// Where the programs (Orvane, Tessel, zef_run) find their data files: the
// unit tables, the component catalogue, the ambient data and the viewer's
// variable conversion files.
#pragma once

#include <QString>

// The data folder of a program in `programDir` (the folder of its
// executable), ending in '/': programDir itself when the data files lie
// beside the executable (the build tree), else the installed data folder
// relative to it (<prefix>/share/orvane/ beside <prefix>/bin/). Nothing is
// ever written there.
QString DataDirOf(const QString& programDir);
