// The file routines that go through the desktop: sending a file to the
// trash and copying a file, each asking the user first where the desktop
// would ask, and the question asked before a picture is written back over
// the file it was read from.
#pragma once

#include <optional>
#include <string>

#include "platform/core/files.h"

namespace components {

// Asks the French Yes/No question ("Non" by default), then moves the file to
// the trash. 0 when the file went to the trash; 1 when the user said No or
// the trash refused it (the user is told why).
int EnvoieCorbeille(const std::string& nom);

// Copies a file, keeping its modification date; when the target exists the
// user is asked first whether to replace it ("Non" by default). The copy is
// streamed through a temporary file: the old target stays whole until the
// copy is complete. A failure is shown to the user.
void CopieFichierShell(const std::string& source, const std::string& cible);

// Before a picture goes back over the file `nom` it was read from, `lu` being
// what that file was when it was read: true when the file is still the one
// read, or the user agreed ("Non" by default) to overwrite a file changed or
// replaced since, or to write again a file deleted since. With nothing
// recorded, an existing file counts as changed.
bool ConfirmeReecriture(const std::string& nom, const std::optional<platform::FileIdentity>& lu);

}  // namespace components
