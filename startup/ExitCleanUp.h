// What the program deletes when its message loop has ended: the temporary
// copies in the Windows directory, the INF copies in the system directory
// and, when the script asks for it, the program's own copies there.
// Nothing here reports a failure: missing files are skipped.
#pragma once

#include <windows.h>

enum class InfCopies { Temporary, AlsoKeptAndPrivateIni };

// Deletes systemDir\(name part of oemInfPath) and systemDir\INSTALL.INF;
// with AlsoKeptAndPrivateIni also the two kept INF copies (the private INI's
// name with its last character replaced by "1" and "2") and the private INI.
void DeleteInfCopies(InfCopies which);

// Deletes systemDir\nvins32b.dll and systemDir\nvins32b.exe when present.
void DeleteProgramCopies();

// The whole clean-up, in order; run by the entry point after the loop.
void ExitCleanUp();

// After a start that failed once the script copy was made: releases the
// current text and deletes the script copy, which the next start would
// otherwise take for a hand-over file and read the script as a path.
void FailedStartCleanUp();
