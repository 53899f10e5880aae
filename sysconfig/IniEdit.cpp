#include "sysconfig/IniEdit.h"

#include <cctype>
#include <cstring>
#include <string>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "ui/DialogPlumbing.h"

namespace {

constexpr UINT kDeleteIniSection = 36;  // "DeleteIni"
constexpr UINT kVxdSection = 22;        // "VxD"
constexpr const char* kOwnLineComment = "Removed by Norvalk Printer Driver Setup:";
constexpr size_t kMessageSize = 2048;

bool Exists(LPCSTR path) {
    OFSTRUCT of;
    return OpenFile(path, &of, OF_EXIST) != HFILE_ERROR;
}

void DeleteFileLz(LPCSTR path) {
    OFSTRUCT of;
    char p[MAX_PATH];
    if (CopyText(p, path))
        LZOpenFileA(p, &of, OF_DELETE);
}

INT OpenLz(LPCSTR path, WORD style) {
    OFSTRUCT of;
    char p[MAX_PATH];
    if (!CopyText(p, path))
        return -1;
    return LZOpenFileA(p, &of, style);
}

// Copies the backup's bytes back over path, so the file is as it was.
bool RestoreFromBackup(LPCSTR backup, LPCSTR path) {
    INT in = OpenLz(backup, OF_READ);
    if (in < 0)
        return false;
    INT out = OpenLz(path, OF_CREATE);
    if (out < 0) {
        LZClose(in);
        return false;
    }
    LONG copied = LZCopy(in, out);
    LZClose(in);
    LZClose(out);
    return copied >= 0;
}

// The file being written anew; remembers whether any write fell short.
struct Writer {
    HFILE file;
    bool failed = false;
    void put(const char* data, size_t len) {
        if (len == 0 || failed)
            return;
        UINT written = _lwrite(file, data, static_cast<UINT>(len));
        if (written != len)
            failed = true;
    }
    void put(const char* text) { put(text, std::strlen(text)); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualNoCase(const char* a, size_t alen, const char* b) {
    size_t blen = std::strlen(b);
    if (alen != blen)
        return false;
    for (size_t i = 0; i < alen; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// True when line (len bytes) is a header naming section: first non-blank
// '[', then optional blanks, then the name up to ']', CR, LF or a blank.
bool IsHeaderOf(const char* line, size_t len, const char* section) {
    size_t i = 0;
    while (i < len && IsBlank(line[i]))
        ++i;
    if (i >= len || line[i] != '[')
        return false;
    ++i;
    while (i < len && IsBlank(line[i]))
        ++i;
    size_t start = i;
    while (i < len && line[i] != ']' && line[i] != '\r' && line[i] != '\n' && line[i] != ' ')
        ++i;
    return EqualNoCase(line + start, i - start, section);
}

bool StartsSection(const char* line, size_t len) {
    size_t i = 0;
    while (i < len && IsBlank(line[i]))
        ++i;
    return i < len && line[i] == '[';
}

// Records the backup under key in the private INI.
void RecordBackup(LPCSTR key, LPCSTR backup) {
    WritePrivateProfileStringA("Install", key, backup, state.privateIniPath);
}

// Ends an edit: an edited file keeps its backup (recorded unless an older one
// of this run is), an unchanged one gets its content back and loses the
// backup. A failed write restores the old content from the backup.
void FinishEdit(bool edited, bool writeFailed, int changeBit, LPCSTR backupKey, LPCSTR backup, LPCSTR path) {
    BYTE mask = static_cast<BYTE>(1u << changeBit);
    if (writeFailed) {
        if (RestoreFromBackup(backup, path)) {
            DeleteFileLz(backup);
        } else {
            // The old content lives on only in the backup: make sure it is named.
            state.iniChanged |= mask;
            RecordBackup(backupKey, backup);
        }
        return;
    }
    if (edited) {
        if (state.iniChanged & mask) {
            DeleteFileLz(backup);
        } else {
            state.iniChanged |= mask;
            RecordBackup(backupKey, backup);
        }
        return;
    }
    if (RestoreFromBackup(backup, path)) {
        DeleteFileLz(backup);
    } else {
        state.iniChanged |= mask;
        RecordBackup(backupKey, backup);
    }
}

// Replaces the first "%s" of format by arg (the texts are translated, so no
// other conversion is trusted).
void AppendFormatted(char* out, size_t size, LPCSTR format, LPCSTR arg) {
    const char* at = std::strstr(format, "%s");
    if (!at) {
        AppendText(out, size, format);
        return;
    }
    std::string head(format, static_cast<size_t>(at - format));
    AppendText(out, size, head.c_str());
    AppendText(out, size, arg);
    AppendText(out, size, at + 2);
}

void AppendMessage(char* out, size_t size, UINT id) {
    char piece[256];
    AppendText(out, size, GetMessageText(id, piece));
}

// The question of mode 5; true when the user says Yes.
bool AskToRemove(HWND owner, LPCSTR name) {
    char text[kMessageSize] = "";
    char caption[256];
    AppendMessage(text, sizeof text, 101);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 102);
    AppendMessage(text, sizeof text, 103);
    AppendMessage(text, sizeof text, 104);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 105);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 106);
    GetMessageText(CAPTION_WARNING, caption);
    return MessageBoxA(owner, text, caption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// The warning of mode 6.
void WarnToRemove(HWND owner, LPCSTR name) {
    char text[kMessageSize] = "";
    char caption[256];
    char piece[256];
    AppendMessage(text, sizeof text, 107);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 108);
    AppendMessage(text, sizeof text, 109);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 110);
    AppendText(text, name);
    AppendFormatted(text, sizeof text, GetMessageText(111, piece), state.driverName);
    AppendMessage(text, sizeof text, 112);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 113);
    AppendText(text, name);
    AppendMessage(text, sizeof text, 114);
    GetMessageText(CAPTION_WARNING, caption);
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONWARNING);
}

// The line-by-line edit of EditIniFile and EditIniFileByLines.
class EntryEditor {
public:
    EntryEditor(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, Writer& out)
        : owner_(owner), section_(section), key_(key), valueSpec_(valueSpec), comment_(comment), out_(out) {
        target_ = std::strlen(valueSpec) >= 2 ? valueSpec + 2 : "";
    }

    // One line, with its line end when it has one. complete is false for a
    // piece of a line too long for the line buffer: such lines are copied
    // unchanged and never edited.
    void line(const char* text, size_t len, bool complete) {
        if (state_ == 0) {
            if (IsHeaderOf(text, len, section_))
                state_ = 1;
        } else if (state_ == 1) {
            if (StartsSection(text, len)) {
                state_ = 3;
            } else if (complete) {
                checkEntry(text, len);
                return;
            }
        }
        out_.put(text, len);
    }

    bool edited() const { return state_ == 2; }

private:
    void checkEntry(const char* text, size_t len) {
        size_t i = 0;
        while (i < len && IsBlank(text[i]))
            ++i;
        size_t keyStart = i;
        while (i < len && text[i] != '=' && text[i] != '\n')
            ++i;
        if (i >= len || text[i] != '=' || !EqualNoCase(text + keyStart, i - keyStart, key_)) {
            out_.put(text, len);
            return;
        }
        size_t s = i + 1;
        for (;;) {
            while (s < len && IsBlank(text[s]))
                ++s;
            size_t e = s;
            while (e < len && text[e] != ',' && text[e] != ' ' && text[e] != '\r' && text[e] != '\n')
                ++e;
            std::string item(text + s, e - s);
            if (EqualNoCase(FileNamePart(item.c_str()), std::strlen(FileNamePart(item.c_str())), target_)) {
                match(text, len, s, e);
                return;
            }
            if (e < len && (text[e] == ' ' || text[e] == ',')) {
                s = e + 1;
                continue;
            }
            break;
        }
        out_.put(text, len);
    }

    void match(const char* text, size_t len, size_t s, size_t e) {
        char digit = state.iniEditMode[0];
        if (digit == '5') {
            char name[256];
            TranslateDisplayName(state.iniEditMode, name, sizeof name);
            if (!AskToRemove(owner_, name)) {
                state.iniEditMode[0] = '0';
                state.ownVxdDeclined = 1;
                state_ = 3;
                out_.put(text, len);
                return;
            }
            state.iniEditMode[0] = '3';
            state.runResult = RESULT_INSTALLED_RESTART;
        } else if (digit == '6') {
            char name[256];
            TranslateDisplayName(state.iniEditMode, name, sizeof name);
            WarnToRemove(owner_, name);
            state.iniEditMode[0] = '0';
        }
        commentOut(text, len, s, e);
    }

    void commentOut(const char* text, size_t len, size_t s, size_t e) {
        bool after = e < len && (text[e] == ' ' || text[e] == ',');
        bool before = s > 0 && (text[s - 1] == ' ' || text[s - 1] == ',');
        if (valueSpec_[0] != '1' && (after || before)) {
            // The line without the item, then the commented original.
            size_t head = s;
            bool endsLine = e >= len || text[e] == '\r' || text[e] == '\n';
            size_t rest = e;
            if (endsLine) {
                if (head > 0)
                    --head;  // the separator before the item
            } else {
                ++rest;  // the separator after the item
            }
            out_.put(text, head);
            out_.put(text + rest, len - rest);
            // A last line without its line end must not take the comment
            // into its value.
            if (len == 0 || text[len - 1] != '\n')
                out_.put("\r\n");
        }
        out_.put(";");
        out_.put(comment_);
        out_.put(" ");
        out_.put(text, len);
        state_ = 2;
    }

    HWND owner_;
    LPCSTR section_;
    LPCSTR key_;
    LPCSTR valueSpec_;
    LPCSTR comment_;
    LPCSTR target_;
    Writer& out_;
    int state_ = 0;
};

bool UnsafeFileName(LPCSTR name) {
    return !*name || std::strchr(name, '\\') || std::strchr(name, '/') || std::strchr(name, ':') ||
           std::strstr(name, "..");
}

// Backup key and change bit of an edit line's file fileSpec.
struct FileSpec {
    LPCSTR backupKey;
    int changeBit;
};

FileSpec SpecOf(LPCSTR fileSpec) {
    bool winIni = fileSpec[1] == '1';
    return {winIni ? "BFileWinIni" : "BFileSysIni", winIni ? 1 : 0};
}

// Context of one EditIniFile call, shared by both readers.
int EditWith(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup, LPCSTR path,
             bool whole) {
    INT in = OpenLz(backup, OF_READ);
    if (in < 0)
        return 0;
    HGLOBAL block = nullptr;
    char* data = nullptr;
    LONG size = 0;
    if (whole) {
        size = _llseek(in, 0, FILE_END);
        if (size <= 0 || _llseek(in, 0, FILE_BEGIN) != 0) {
            LZClose(in);
            return 0;
        }
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size) + 2058);
        data = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
        if (!data) {
            if (block)
                GlobalFree(block);
            LZClose(in);
            return 0;
        }
        LONG got = 0;
        while (got < size) {
            UINT n = _lread(in, data + got, static_cast<UINT>(size - got < 2048 ? size - got : 2048));
            if (n == 0 || n == static_cast<UINT>(HFILE_ERROR))
                break;
            got += static_cast<LONG>(n);
        }
        if (got != size) {
            // A short read would lose the file's tail: leave the file alone.
            GlobalUnlock(block);
            GlobalFree(block);
            LZClose(in);
            return 0;
        }
    }
    INT outFile = OpenLz(path, OF_CREATE);
    if (outFile < 0) {
        if (block) {
            GlobalUnlock(block);
            GlobalFree(block);
        }
        LZClose(in);
        return 0;
    }
    Writer out{static_cast<HFILE>(outFile)};
    EntryEditor editor(owner, section, key, valueSpec, comment, out);
    if (whole) {
        LONG pos = 0;
        while (pos < size) {
            LONG end = pos;
            while (end < size && data[end] != '\n')
                ++end;
            if (end < size)
                ++end;  // the LF belongs to the line
            editor.line(data + pos, static_cast<size_t>(end - pos), true);
            pos = end;
        }
        GlobalUnlock(block);
        GlobalFree(block);
    } else {
        char buffer[INI_LINE_SIZE];
        bool atStart = true;
        int n;
        while ((n = ReadLine(buffer, static_cast<HFILE>(in))) > 0) {
            bool endsWithLf = buffer[n - 1] == '\n';
            bool complete = endsWithLf || n < INI_LINE_SIZE - 1;
            if (atStart)
                editor.line(buffer, static_cast<size_t>(n), complete);
            else
                out.put(buffer, static_cast<size_t>(n));  // the rest of a long line, unchanged
            atStart = endsWithLf;
        }
    }
    LZClose(in);
    LZClose(outFile);
    return editor.edited() ? (out.failed ? -2 : 2) : (out.failed ? -1 : 1);
}

}  // namespace

int ReadLine(LPSTR buffer, HFILE file) {
    int n = 0;
    while (n < INI_LINE_SIZE - 1) {
        char c;
        UINT got = _lread(file, &c, 1);
        if (got != 1)
            break;
        buffer[n++] = c;
        if (c == '\n')
            break;
    }
    buffer[n] = '\0';
    return n;
}

int PrefixEqual(LPCSTR a, LPCSTR b, int n) {
    for (int i = 0; i < n && a[i] && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return 0;
    }
    return 1;
}

void TranslateDisplayName(LPCSTR modeText, LPSTR out, int size) {
    if (size < 1)
        return;
    out[0] = '\0';
    LPCSTR name = std::strlen(modeText) >= 2 ? modeText + 2 : "";
    static const char* const kOr[] = {"or", "ou", "oder", "of", "eller", "eller"};
    const char* found = nullptr;
    if (state.languageIndex > 0 && state.languageIndex < 6 && std::strlen(name) > 3) {
        for (const char* p = name; p[0] && p[1] && p[2] && p[3]; ++p) {
            if (p[0] == ' ' && std::toupper(static_cast<unsigned char>(p[1])) == 'O' &&
                std::toupper(static_cast<unsigned char>(p[2])) == 'R' && p[3] == ' ') {
                found = p;
                break;
            }
        }
    }
    if (!found) {
        CopyText(out, static_cast<size_t>(size), name);
        return;
    }
    std::string head(name, static_cast<size_t>(found - name) + 1);  // up to the blank before "or"
    CopyText(out, static_cast<size_t>(size), head.c_str());
    AppendText(out, static_cast<size_t>(size), kOr[state.languageIndex]);
    AppendText(out, static_cast<size_t>(size), found + 3);  // from the blank after "or"
}

int AddDeviceLine(LPCSTR name) {
    char path[MAX_PATH];
    char backup[BACKUP_PATH_SIZE];
    if (!JoinPath(path, state.windowsDir, "SYSTEM.INI"))
        return 1;
    if (!Exists(path)) {
        WritePrivateProfileStringA("386Enh", "device", name, path);
        return 1;
    }
    if (!MakeBackup(path, backup))
        return 1;  // without a backup the file is not touched
    AddIniLine("386Enh", "device", name, backup, path);
    return 1;
}

int AddIniLine(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR backup, LPCSTR path) {
    INT in = OpenLz(backup, OF_READ);
    if (in < 0)
        return 0;
    INT outFile = OpenLz(path, OF_CREATE);
    if (outFile < 0) {
        LZClose(in);
        return 0;
    }
    Writer out{static_cast<HFILE>(outFile)};
    std::string newLine = std::string(key) + "=" + value;

    int st = 0;
    char line[INI_LINE_SIZE];
    bool atStart = true;
    int n;
    while ((n = ReadLine(line, static_cast<HFILE>(in))) > 0) {
        size_t len = static_cast<size_t>(n);
        bool endsWithLf = line[n - 1] == '\n';
        bool complete = endsWithLf || n < INI_LINE_SIZE - 1;
        if (atStart) {
            if (st == 0 && IsHeaderOf(line, len, section)) {
                st = 1;
            } else if (st == 1 || st == 2) {
                if (st == 1) {
                    out.put(newLine.c_str());
                    out.put("\r\n");
                    st = 2;
                }
                if (StartsSection(line, len)) {
                    st = 4;
                } else if (complete) {
                    // key=value without blanks, compared with the new line.
                    size_t i = 0;
                    while (i < len && IsBlank(line[i]))
                        ++i;
                    std::string norm;
                    while (i < len && line[i] != ' ' && line[i] != '=' && line[i] != '\r' && line[i] != '\n')
                        norm += line[i++];
                    if (i < len && line[i] == '=') {
                        norm += '=';
                        ++i;
                        while (i < len && IsBlank(line[i]))
                            ++i;
                        while (i < len && line[i] != ' ' && line[i] != '\r' && line[i] != '\n')
                            norm += line[i++];
                    }
                    if (EqualNoCase(norm.c_str(), norm.size(), newLine.c_str())) {
                        out.put(";");
                        st = 3;
                    }
                }
            }
        }
        out.put(line, len);
        atStart = endsWithLf;
    }
    // A last line without its line end is ended first, so that nothing is
    // glued onto it.
    if ((st == 0 || st == 1) && !atStart)
        out.put("\r\n");
    if (st == 0) {
        out.put("[");
        out.put(section);
        out.put("]\r\n");
        out.put(newLine.c_str());
        out.put("\r\n");
    } else if (st == 1) {
        out.put(newLine.c_str());
        out.put("\r\n\r\n");
    }
    LZClose(in);
    LZClose(outFile);

    if (st == 3 || out.failed) {
        // Already there (or the rewrite fell short): the file gets its old content back.
        if (RestoreFromBackup(backup, path)) {
            DeleteFileLz(backup);
        } else {
            state.iniChanged |= 1;
            RecordBackup("BFileSysIni", backup);
        }
        return 1;
    }
    state.iniChanged |= 1;
    RecordBackup("BFileSysIni", backup);
    return 1;
}

int EditIniFile(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                LPCSTR path) {
    return EditWith(owner, section, key, valueSpec, comment, backup, path, true);
}

int EditIniFileByLines(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                       LPCSTR path) {
    return EditWith(owner, section, key, valueSpec, comment, backup, path, false);
}

int EditIniEntry(HWND owner, LPCSTR fileSpec, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment) {
    if (std::strlen(fileSpec) < 4 || UnsafeFileName(fileSpec + 3))
        return 0;
    FileSpec fs = SpecOf(fileSpec);
    char path[MAX_PATH];
    char backup[BACKUP_PATH_SIZE];
    if (!JoinPath(path, fileSpec[0] == '2' ? state.windowsDir : state.systemDir, fileSpec + 3))
        return 0;
    if (!Exists(path) || !MakeBackup(path, backup))
        return 0;
    int r = EditIniFile(owner, section, key, valueSpec, comment, backup, path);
    if (r == 0)
        r = EditIniFileByLines(owner, section, key, valueSpec, comment, backup, path);
    if (r == 0) {
        // The backup could not be read back: the file was not touched.
        DeleteFileLz(backup);
        return 1;
    }
    FinishEdit(r == 2 || r == -2, r < 0, fs.changeBit, fs.backupKey, backup, path);
    return 1;
}

int RunIniEdits(HWND owner) {
    char sectionName[64];
    GetMessageText(kDeleteIniSection, sectionName);
    IniLine line = FindSection(nullptr, sectionName);
    if (!line)
        return 0;
    if (owner)
        EnableWindow(owner, FALSE);
    HWND waiting = CreateDialogParamA(state.instance, "WAITING", owner, WaitingProc, 0);
    CopyText(state.iniEditMode, "0");
    while (line) {
        if (line[0] != '2') {
            GetField(line, 1, state.iniEditMode);
            line = NextLine(line);
            if (!line)
                break;  // a mode line without an edit line
        }
        if (state.iniEditMode[0] != '0') {
            char f1[128], f2[128], f3[128], f4[128], f5[128];
            GetField(line, 1, f1);
            GetField(line, 2, f2);
            GetField(line, 3, f3);
            GetField(line, 4, f4);
            GetField(line, 5, f5);
            EditIniEntry(owner, f1, f2, f3, f4, f5);
            if (waiting) {
                UpdateWindow(waiting);
                SetFocus(waiting);
            }
        }
        line = NextLine(line);
    }
    if (state.ownVxdDeclined == 1) {
        char vxdSection[16];
        GetMessageText(kVxdSection, vxdSection);
        IniLine vxd = FindSection(nullptr, vxdSection);
        if (vxd) {
            char valueSpec[144];
            CopyText(valueSpec, vxd);
            state.iniEditMode[0] = '3';
            EditIniEntry(owner, "20:SYSTEM.INI", "386Enh", "device", valueSpec, kOwnLineComment);
        }
        state.ownVxdDeclined = 0;
    }
    if (owner)
        EnableWindow(owner, TRUE);
    if (waiting)
        DestroyWindow(waiting);
    return 1;
}
