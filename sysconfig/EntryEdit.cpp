// EditIniEntry and the two readers of EditIniFile: find the first entry of
// key in section whose value names the file, and comment it out (the whole
// line, or the line without that item followed by the commented original).
#include <cstring>
#include <optional>
#include <string>

#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "sysconfig/IniEdit.h"
#include "sysconfig/IniLines.h"
#include "sysconfig/IniRewrite.h"
#include "sysconfig/RemoveQuestions.h"

namespace {

// Where the editor stands in the file.
enum class Scan {
    SeekingSection,  // before the section's header
    InSection,       // inside it: entries are checked
    Edited,          // one entry edited: the rest is copied
    Done,            // the section ended, or the user declined: the rest is copied
};

// The line-by-line edit of EditIniFile and EditIniFileByLines.
class EntryEditor {
public:
    EntryEditor(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, IniWriter& out)
        : owner_(owner), section_(section), key_(key), valueSpec_(valueSpec), comment_(comment), out_(out) {
        target_ = std::strlen(valueSpec) >= 2 ? valueSpec + 2 : "";
    }

    // One line, with its line end when it has one. complete is false for a
    // piece of a line too long for the line buffer: such lines are copied
    // unchanged and never edited.
    void line(const char* text, size_t len, bool complete) {
        if (scan_ == Scan::SeekingSection) {
            if (IsHeaderOf(text, len, section_))
                scan_ = Scan::InSection;
        } else if (scan_ == Scan::InSection) {
            if (StartsSection(text, len)) {
                scan_ = Scan::Done;
            } else if (complete) {
                checkEntry(text, len);
                return;
            }
        }
        out_.put(text, len);
    }

    bool edited() const { return scan_ == Scan::Edited; }

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
        size_t firstItem = 0;
        for (bool first = true;; first = false) {
            while (s < len && IsBlank(text[s]))
                ++s;
            if (first)
                firstItem = s;
            size_t e = s;
            while (e < len && text[e] != ',' && text[e] != ' ' && text[e] != '\r' && text[e] != '\n')
                ++e;
            std::string item(text + s, e - s);
            if (EqualNoCase(FileNamePart(item.c_str()), std::strlen(FileNamePart(item.c_str())), target_)) {
                match(text, len, firstItem, s, e);
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

    void match(const char* text, size_t len, size_t firstItem, size_t s, size_t e) {
        char mode = state.iniEditMode[0];
        if (mode == INI_MODE_ASK) {
            char name[256];
            TranslateDisplayName(state.iniEditMode, name, sizeof name);
            if (!AskToRemove(owner_, name)) {
                state.iniEditMode[0] = INI_MODE_OFF;
                state.ownVxdDeclined = 1;
                scan_ = Scan::Done;
                out_.put(text, len);
                return;
            }
            state.iniEditMode[0] = INI_MODE_ACCEPTED;
            state.runResult = RESULT_INSTALLED_RESTART;
        } else if (mode == INI_MODE_WARN) {
            char name[256];
            TranslateDisplayName(state.iniEditMode, name, sizeof name);
            WarnToRemove(owner_, name);
            state.iniEditMode[0] = INI_MODE_OFF;
        }
        commentOut(text, len, firstItem, s, e);
    }

    // firstItem: where the value's first item starts, after the blanks that
    // follow "=". Guard: those blanks separate no items, so "device= X.386"
    // must end like "device=X.386" (the comment line alone, no empty entry).
    void commentOut(const char* text, size_t len, size_t firstItem, size_t s, size_t e) {
        bool after = e < len && (text[e] == ' ' || text[e] == ',');
        bool before = s > firstItem && (text[s - 1] == ' ' || text[s - 1] == ',');
        if (valueSpec_[0] != SPEC_WHOLE_LINE && (after || before)) {
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
            // Guard: a last line without its line end would take the comment
            // into its value.
            if (len == 0 || text[len - 1] != '\n')
                out_.put("\r\n");
        }
        out_.put(";");
        out_.put(comment_);
        out_.put(" ");
        out_.put(text, len);
        scan_ = Scan::Edited;
    }

    HWND owner_;
    LPCSTR section_;
    LPCSTR key_;
    LPCSTR valueSpec_;
    LPCSTR comment_;
    LPCSTR target_;
    IniWriter& out_;
    Scan scan_ = Scan::SeekingSection;
};

// How the backup is read: whole into memory, or line by line (when it does
// not fit in memory).
enum class ReadBackup { Whole, ByLines };

// The backup read whole into a movable block; empty when it cannot be.
class WholeFile {
public:
    explicit WholeFile(INT in) {
        size_ = _llseek(in, 0, FILE_END);
        if (size_ <= 0 || _llseek(in, 0, FILE_BEGIN) != 0)
            return;
        // Room beyond the content, as the line buffer of the by-line reader.
        block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size_) + 2058);
        data_ = block_ ? static_cast<char*>(GlobalLock(block_)) : nullptr;
        if (!data_)
            return;
        LONG got = 0;
        while (got < size_) {
            UINT n = _lread(in, data_ + got, static_cast<UINT>(size_ - got < 2048 ? size_ - got : 2048));
            if (n == 0 || n == static_cast<UINT>(HFILE_ERROR))
                break;
            got += static_cast<LONG>(n);
        }
        // Guard: a short read would lose the file's tail; the file is then left alone.
        read_ = got == size_;
    }
    ~WholeFile() {
        if (data_)
            GlobalUnlock(block_);
        if (block_)
            GlobalFree(block_);
    }
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    bool read() const { return read_; }

    // Hands each line (up to and including its LF) to editor.
    void feed(EntryEditor& editor) const {
        LONG pos = 0;
        while (pos < size_) {
            LONG end = pos;
            while (end < size_ && data_[end] != '\n')
                ++end;
            if (end < size_)
                ++end;  // the LF belongs to the line
            editor.line(data_ + pos, static_cast<size_t>(end - pos), true);
            pos = end;
        }
    }

private:
    LONG size_ = 0;
    HGLOBAL block_ = nullptr;
    char* data_ = nullptr;
    bool read_ = false;
};

void FeedByLines(INT in, EntryEditor& editor, IniWriter& out) {
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

// The file EditIniEntry is editing. A call of EditIniFile from elsewhere
// takes the kind from the file's name.
const EditedFile* editTarget = nullptr;

const EditedFile& TargetOf(LPCSTR path) {
    if (editTarget)
        return *editTarget;
    LPCSTR name = FileNamePart(path);
    return std::strlen(name) == 7 && PrefixEqual(name, "WIN.INI", 7) ? kWinIni : kSystemIni;
}

// A name that would leave its directory: a drive, a leading separator or a
// ".." component. Subdirectories below it are fine ("ZXNET\\ZXNET.INI").
bool LeavesItsDirectory(LPCSTR name) {
    if (!*name || std::strchr(name, ':') || name[0] == '\\' || name[0] == '/')
        return true;
    for (const char* part = name; *part;) {
        size_t n = std::strcspn(part, "\\/");
        if (n == 2 && part[0] == '.' && part[1] == '.')
            return true;
        part += n;
        if (*part)
            ++part;
    }
    return false;
}

int EditWith(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup, LPCSTR path,
             ReadBackup how) {
    INT in = LzOpenPath(backup, OF_READ);
    if (in < 0)
        return INI_EDIT_NOT_READ;
    std::optional<WholeFile> whole;
    if (how == ReadBackup::Whole) {
        whole.emplace(in);
        if (!whole->read()) {
            whole.reset();
            LZClose(in);
            return INI_EDIT_NOT_READ;
        }
    }
    INT outFile = LzOpenPath(path, OF_CREATE);
    if (outFile < 0) {
        whole.reset();
        LZClose(in);
        return INI_EDIT_NOT_READ;
    }
    IniWriter out{static_cast<HFILE>(outFile)};
    EntryEditor editor(owner, section, key, valueSpec, comment, out);
    if (whole)
        whole->feed(editor);
    else
        FeedByLines(in, editor, out);
    whole.reset();
    LZClose(in);
    LZClose(outFile);
    Rewrite done = out.failed ? Rewrite::WriteFailed : editor.edited() ? Rewrite::Edited : Rewrite::Unchanged;
    done = FinishRewrite(done, TargetOf(path), BackupRecord::KeepFirst, backup, path);
    return done == Rewrite::WriteFailed ? INI_EDIT_WRITE_FAILED : INI_EDIT_DONE;
}

}  // namespace

int EditIniFile(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                LPCSTR path) {
    return EditWith(owner, section, key, valueSpec, comment, backup, path, ReadBackup::Whole);
}

int EditIniFileByLines(HWND owner, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment, LPCSTR backup,
                       LPCSTR path) {
    return EditWith(owner, section, key, valueSpec, comment, backup, path, ReadBackup::ByLines);
}

int EditIniEntry(HWND owner, LPCSTR fileSpec, LPCSTR section, LPCSTR key, LPCSTR valueSpec, LPCSTR comment) {
    // Guard: a drive, a leading separator or ".." would edit a file outside
    // the Windows or system directory.
    if (std::strlen(fileSpec) < 4 || LeavesItsDirectory(fileSpec + 3))
        return 0;
    const EditedFile& file = fileSpec[1] == SPEC_WIN_INI_KIND ? kWinIni : kSystemIni;
    char path[MAX_PATH];
    char backup[BACKUP_PATH_SIZE];
    if (!JoinPath(path, fileSpec[0] == SPEC_WINDOWS_DIR ? state.windowsDir : state.systemDir, fileSpec + 3))
        return 0;
    if (!FileExists(path) || !MakeBackup(path, backup))
        return 0;
    editTarget = &file;
    int r = EditIniFile(owner, section, key, valueSpec, comment, backup, path);
    if (r == INI_EDIT_NOT_READ)
        r = EditIniFileByLines(owner, section, key, valueSpec, comment, backup, path);
    editTarget = nullptr;
    if (r == INI_EDIT_NOT_READ) {
        LzDeleteFile(backup);  // the backup could not be read back: the file was not touched
        return 0;
    }
    return r;
}
