#pragma once

#include "model/ResultState.h"

// Protection after the shown groups changed (regrouping, videos-only filter, removal, intake).
// Every shown file without a protection recorded by hand gets its protection from the protected
// folders and their sub-folder flags again (protected and unmarked, recorded as a folder record,
// when a protected folder holds it; unprotected otherwise); a file with a protection recorded by
// hand takes that state (and loses its mark when protected). Gives the same result as
// applyProtectedFolders for each such member, computed once per folder instead of once per file.
void rederiveProtection(ResultState &state);
