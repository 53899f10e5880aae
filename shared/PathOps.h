// Small path operations shared across the installer: the file-name and
// extension parts of a path, and the numbered backup copy (NAME.B00 to
// NAME.B99) that every replaced or edited system file gets.
#pragma once

#include <windows.h>

#define BACKUP_PATH_SIZE 256

// The part after the last '/', '\' or ':' (the whole text when there is none).
LPCSTR FileNamePart(LPCSTR path);

// The part after the first '.' of name, or NULL when name has no '.'.
LPCSTR ExtensionPart(LPCSTR name);

// Forms the first free backup name of path in out (size bytes): the three
// characters after the first '.' of the file name become 'B' and two digits,
// counting up from B00 while the name exists. A shorter extension is padded
// ("A.X" gives "A.B00"); a longer one keeps its rest ("A.ABCD" gives
// "A.B00D"). A dot that belongs to a directory is no extension. Returns 1 with the name, 0 when the file name has no
// '.' (out then holds path). When B00 to B99 all exist, the oldest of them
// (by last-write time) is named, so that the next backup replaces it.
int NextBackupName(LPCSTR path, LPSTR out, int size);

// Copies the existing file path to NextBackupName(path) (a compressed file
// is expanded, a plain one copied unchanged). Returns 1 with the backup's
// path in out; 0 when no name could be formed, the file does not exist, or
// the copy failed (no backup file is then left behind).
int MakeBackup(LPCSTR path, LPSTR out, int size);

// 1 when path names an existing file (OpenFile with OF_EXIST). Like every
// existence test of the program it fills state.lastOpen, whose szPathName
// is then the full path of the file just tested.
int FileExists(LPCSTR path);

// 1 when name is a plain file name that stays inside the directory it is
// joined to: not empty, no '\', '/' or ':', no "..".
int IsPlainFileName(LPCSTR name);

// How LzCopyFile opens its source: OF_READ, or OF_PROMPT (a missing file
// asks for its disk).
enum class LzSource { Read, Prompt };
// What a copy that fails half-way leaves: nothing, or the partial copy
// (for a restore over a file that is damaged anyway, where deleting it
// would lose even the part that was written).
enum class FailedCopy { Delete, Keep };

// Copies from to to through the LZ functions (a compressed file is expanded,
// a plain one copied unchanged). The destination is created only once the
// source is open, so a missing source leaves no empty file behind. 1 on
// success, 0 when either file cannot be opened or the copy fails.
int LzCopyFile(LPCSTR from, LPCSTR to, LzSource source = LzSource::Read, FailedCopy failed = FailedCopy::Delete);

// LZOpenFileA of path with style; -1 when the path is too long to pass.
INT LzOpenPath(LPCSTR path, WORD style);

// Deletes path through LZOpenFileA (OF_DELETE); a missing file is no error.
void LzDeleteFile(LPCSTR path);

template <int N>
inline int NextBackupName(LPCSTR path, char (&out)[N]) {
    return NextBackupName(path, out, N);
}
template <int N>
inline int MakeBackup(LPCSTR path, char (&out)[N]) {
    return MakeBackup(path, out, N);
}
