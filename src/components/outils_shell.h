// The file routines that go through the desktop: sending a file to the
// trash and copying a file, each asking the user first where the desktop
// would ask.
#pragma once

#include <string>

namespace components {

// Asks the French Yes/No question, then moves the file to the trash. 0 when
// the file went to the trash; 1 when the user said No or the trash refused
// it (the user is told why).
int EnvoieCorbeille(const std::string& nom);

// Copies a file, keeping its modification date; when the target exists the
// user is asked first whether to replace it. A failure is shown to the user.
void CopieFichierShell(const std::string& source, const std::string& cible);

}  // namespace components
