#include "shared/PathOps.h"

#include <cstring>

#include "shared/BoundedText.h"
#include "shared/InstallState.h"

LPCSTR FileNamePart(LPCSTR path) {
    LPCSTR part = path;
    for (LPCSTR p = path; *p; ++p) {
        if (*p == '/' || *p == '\\' || *p == ':')
            part = p + 1;
    }
    return part;
}

LPCSTR ExtensionPart(LPCSTR name) {
    LPCSTR dot = std::strchr(name, '.');
    return dot ? dot + 1 : nullptr;
}

namespace {

bool LastWriteTime(LPCSTR path, FILETIME* time) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BOOL ok = GetFileTime(h, nullptr, nullptr, time);
    CloseHandle(h);
    return ok != FALSE;
}

}  // namespace

int NextBackupName(LPCSTR path, LPSTR out, int size) {
    if (size < 1)
        return 0;
    CopyText(out, static_cast<size_t>(size), path);

    // The extension is the file name's own: a dot in a directory name (of the
    // Windows directory or below it) does not count.
    char* name = out;
    for (char* p = out; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    char* dot = std::strchr(name, '.');
    if (!dot) {
        return 0;
    }
    size_t base = static_cast<size_t>(dot - out) + 1;
    size_t extLen = std::strlen(out + base);
    if (extLen < 3) {
        // Guard: a short extension is padded: "A.X" becomes "A.B00",
        // terminated; writing "B00" over it would run past the name's end.
        if (base + 3 >= static_cast<size_t>(size))
            return 0;
        out[base + 3] = '\0';
    }
    out[base] = 'B';
    out[base + 1] = '0';
    out[base + 2] = '0';

    FILETIME oldest{};
    int oldestIndex = 0;
    for (int n = 0; n < 100; ++n) {
        out[base + 1] = static_cast<char>('0' + n / 10);
        out[base + 2] = static_cast<char>('0' + n % 10);
        if (!FileExists(out))
            return 1;
        FILETIME t{};
        if (LastWriteTime(out, &t) && (n == 0 || CompareFileTime(&t, &oldest) < 0)) {
            oldest = t;
            oldestIndex = n;
        }
    }
    // All hundred names are taken: reuse the oldest.
    out[base + 1] = static_cast<char>('0' + oldestIndex / 10);
    out[base + 2] = static_cast<char>('0' + oldestIndex % 10);
    return 1;
}

int FileExists(LPCSTR path) { return OpenFile(path, &state.lastOpen, OF_EXIST) != HFILE_ERROR ? 1 : 0; }

int IsPlainFileName(LPCSTR name) {
    if (!*name || std::strchr(name, '\\') || std::strchr(name, '/') || std::strchr(name, ':'))
        return 0;
    return std::strstr(name, "..") ? 0 : 1;
}

INT LzOpenPath(LPCSTR path, WORD style) {
    OFSTRUCT of;
    char p[MAX_PATH];
    // Guard: a path cut to fit would name another file.
    if (!CopyText(p, path))
        return -1;
    return LZOpenFileA(p, &of, style);
}

int LzCopyFile(LPCSTR from, LPCSTR to, LzSource source, FailedCopy failed) {
    // Both paths must be passable before anything is opened.
    if (std::strlen(from) >= MAX_PATH || std::strlen(to) >= MAX_PATH)
        return 0;
    INT in = LzOpenPath(from, source == LzSource::Prompt ? OF_PROMPT : OF_READ);
    if (in < 0)
        return 0;
    INT out = LzOpenPath(to, OF_CREATE);
    if (out < 0) {
        LZClose(in);
        return 0;
    }
    LONG copied = LZCopy(in, out);
    LZClose(in);
    LZClose(out);
    if (copied < 0) {
        // Guard: a half-written copy would pass for the whole file.
        if (failed == FailedCopy::Delete)
            LzDeleteFile(to);
        return 0;
    }
    return 1;
}

void LzDeleteFile(LPCSTR path) { LzOpenPath(path, OF_DELETE); }

int MakeBackup(LPCSTR path, LPSTR out, int size) {
    if (!NextBackupName(path, out, size))
        return 0;
    if (LzOpenPath(path, OF_EXIST) < 0)
        return 0;
    return LzCopyFile(path, out);
}
