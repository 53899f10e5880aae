// The configuration-file clean-up of an uninstall: the WIN.INI entries that
// [DEL.WIN.INI] of the current script (INSTALL.INF) names for each removed
// model, and, once no printer of the family is left, the installer's own
// "device" line of SYSTEM.INI commented out.
#pragma once

#include <windows.h>

// removal: 1 when the family's drivers were removed, 2 when printers of the
// family remain (SYSTEM.INI is then left alone). WIN.INI is written through
// the profile functions after a numbered backup made before its first change
// (kept beside it, not recorded); SYSTEM.INI through EditIniEntry. Returns 1
// when WIN.INI was processed or the SYSTEM.INI edit was made, else 0;
// CLEANUP_DEVICE_LINE_KEPT when SYSTEM.INI was due its edit but could not be
// rewritten (no backup, a failed write): it still loads the product's
// virtual device driver. Failed WIN.INI writes are not examined.
enum : int { CLEANUP_DEVICE_LINE_KEPT = 2 };
int CleanUpIniFiles(HWND owner, int removal);
