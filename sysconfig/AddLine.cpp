// AddDeviceLine and AddIniLine: a second line of a key that the profile
// functions would overwrite, inserted first in its section.
#include <string>

#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "sysconfig/IniEdit.h"
#include "sysconfig/IniLines.h"
#include "sysconfig/IniRewrite.h"

namespace {

// Where the insertion stands in the file.
enum class Insert {
    SeekingSection,  // before the section's header
    HeaderSeen,      // the header was the last line: the new line goes next
    Inserted,        // the new line is written: later lines are compared with it
    AlreadyThere,    // the same line was in the section: the file stays as it was
    SectionEnded,    // the rest is copied
};

// key=value of line without blanks: the key up to a blank, '=', CR or LF,
// then '=' and the value up to the next blank, CR or LF.
std::string Normalised(const char* line, size_t len) {
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
    return norm;
}

}  // namespace

int AddDeviceLine(LPCSTR name) {
    char path[MAX_PATH];
    char backup[BACKUP_PATH_SIZE];
    if (!JoinPath(path, state.windowsDir, "SYSTEM.INI"))
        return 1;
    if (!FileExists(path)) {
        WritePrivateProfileStringA("386Enh", "device", name, path);
        return 1;
    }
    // Guard: without a backup the file is not touched, so that a failed
    // rewrite cannot lose it.
    if (!MakeBackup(path, backup))
        return 1;
    AddIniLine("386Enh", "device", name, backup, path);
    return 1;
}

int AddIniLine(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR backup, LPCSTR path) {
    INT in = LzOpenPath(backup, OF_READ);
    if (in < 0)
        return 0;
    INT outFile = LzOpenPath(path, OF_CREATE);
    if (outFile < 0) {
        LZClose(in);
        return 0;
    }
    IniWriter out{static_cast<HFILE>(outFile)};
    std::string newLine = std::string(key) + "=" + value;

    Insert at = Insert::SeekingSection;
    char line[INI_LINE_SIZE];
    bool atStart = true;
    int n;
    while ((n = ReadLine(line, static_cast<HFILE>(in))) > 0) {
        size_t len = static_cast<size_t>(n);
        bool endsWithLf = line[n - 1] == '\n';
        bool complete = endsWithLf || n < INI_LINE_SIZE - 1;
        if (atStart) {
            if (at == Insert::SeekingSection && IsHeaderOf(line, len, section)) {
                at = Insert::HeaderSeen;
            } else if (at == Insert::HeaderSeen || at == Insert::Inserted) {
                if (at == Insert::HeaderSeen) {
                    out.put(newLine.c_str());
                    out.put("\r\n");
                    at = Insert::Inserted;
                }
                if (StartsSection(line, len)) {
                    at = Insert::SectionEnded;
                } else if (complete) {
                    std::string norm = Normalised(line, len);
                    if (EqualNoCase(norm.c_str(), norm.size(), newLine.c_str())) {
                        // The older copy becomes a comment, so that the line stays once.
                        out.put(";");
                        at = Insert::AlreadyThere;
                    }
                }
            }
        }
        out.put(line, len);
        atStart = endsWithLf;
    }
    // Guard: a last line without its line end is ended first, so that
    // nothing is glued onto it.
    if ((at == Insert::SeekingSection || at == Insert::HeaderSeen) && !atStart)
        out.put("\r\n");
    if (at == Insert::SeekingSection) {
        out.put("[");
        out.put(section);
        out.put("]\r\n");
        out.put(newLine.c_str());
        out.put("\r\n");
    } else if (at == Insert::HeaderSeen) {
        out.put(newLine.c_str());
        out.put("\r\n\r\n");
    }
    LZClose(in);
    LZClose(outFile);

    // Already there (or the rewrite fell short): the file gets its old
    // content back. Otherwise the latest backup is the one recorded.
    Rewrite how = out.failed ? Rewrite::WriteFailed : at == Insert::AlreadyThere ? Rewrite::Unchanged : Rewrite::Edited;
    FinishRewrite(how, kSystemIni, BackupRecord::KeepLatest, backup, path);
    return 1;
}
