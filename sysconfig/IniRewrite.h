// The rewrite of an INI file from its backup, shared by every edit: the
// writer that notices a short write, and the end of an edit, which keeps,
// records or gives back the backup.
#pragma once

#include <windows.h>

#include <cstddef>

// The file being written anew; remembers whether any write fell short.
struct IniWriter {
    HFILE file;
    bool failed = false;
    void put(const char* data, size_t len);
    void put(const char* text);
};

// Which file an edit changed: its bit in state.iniChanged and the key the
// private INI records its first backup under.
struct EditedFile {
    BYTE changedBit;
    LPCSTR backupKey;
};
extern const EditedFile kSystemIni;  // SYSTEM_INI_CHANGED, "BFileSysIni"
extern const EditedFile kWinIni;     // WIN_INI_CHANGED, "BFileWinIni"

// How a rewrite went.
enum class Rewrite { Unchanged, Edited, WriteFailed };
// Which backup the private INI names when several edits of one file changed
// it: the first of the run (the oldest content), or the latest.
enum class BackupRecord { KeepFirst, KeepLatest };

// Ends an edit of path made from backup:
// - Edited: the backup stays and is recorded (KeepFirst: unless an earlier
//   edit of this run changed the file already; then this backup goes);
// - Unchanged or WriteFailed: the file gets its content back from the backup
//   and the backup is deleted; when even that copy fails, the backup holds
//   the only whole content, so it is kept and recorded.
// Returns how the edit ended: Edited when the file keeps it; WriteFailed
// also when its backup could not be recorded and the edit was undone.
Rewrite FinishRewrite(Rewrite how, const EditedFile& file, BackupRecord record, LPCSTR backup, LPCSTR path);
