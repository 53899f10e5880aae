#include "sysconfig/IniRewrite.h"

#include <cstring>

#include "shared/InstallState.h"
#include "shared/PathOps.h"

const EditedFile kSystemIni = {SYSTEM_INI_CHANGED, "BFileSysIni"};
const EditedFile kWinIni = {WIN_INI_CHANGED, "BFileWinIni"};

void IniWriter::put(const char* data, size_t len) {
    if (len == 0 || failed)
        return;
    UINT written = _lwrite(file, data, static_cast<UINT>(len));
    // Guard: a short write would pass for a finished file with its tail lost.
    if (written != len)
        failed = true;
}

void IniWriter::put(const char* text) { put(text, std::strlen(text)); }

namespace {

void RecordBackup(const EditedFile& file, LPCSTR backup) {
    state.iniChanged |= file.changedBit;
    WritePrivateProfileStringA("Install", file.backupKey, backup, state.privateIniPath);
}

}  // namespace

void FinishRewrite(Rewrite how, const EditedFile& file, BackupRecord record, LPCSTR backup, LPCSTR path) {
    if (how == Rewrite::Edited) {
        if (record == BackupRecord::KeepFirst && (state.iniChanged & file.changedBit))
            LzDeleteFile(backup);  // the backup recorded earlier holds the older content
        else
            RecordBackup(file, backup);
        return;
    }
    // Guard: a failed restore must not delete the backup, the one whole copy
    // left of the file; it is named instead, so that the finish reports it.
    if (LzCopyFile(backup, path, LzSource::Read, FailedCopy::Keep))
        LzDeleteFile(backup);
    else
        RecordBackup(file, backup);
}
