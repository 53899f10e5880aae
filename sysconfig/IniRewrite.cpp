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

// 1 when the private INI now names backup.
int RecordBackup(const EditedFile& file, LPCSTR backup) {
    state.iniChanged |= file.changedBit;
    if (!WritePrivateProfileStringA("Install", file.backupKey, backup, state.privateIniPath))
        return 0;
    state.iniBackupRecorded |= file.changedBit;
    return 1;
}

// The file gets its content back from the backup, which then goes.
void GiveBack(const EditedFile& file, LPCSTR backup, LPCSTR path) {
    // Guard: a failed restore must not delete the backup, the one whole copy
    // left of the file; it is named instead, so that the finish reports it.
    if (LzCopyFile(backup, path, LzSource::Read, FailedCopy::Keep))
        LzDeleteFile(backup);
    else
        RecordBackup(file, backup);
}

}  // namespace

Rewrite FinishRewrite(Rewrite how, const EditedFile& file, BackupRecord record, LPCSTR backup, LPCSTR path) {
    if (how != Rewrite::Edited) {
        GiveBack(file, backup, path);
        return how;
    }
    // Guard: whether this run recorded a backup of the file, not whether the
    // file counts as changed: the install sets the WIN.INI bit before the
    // finish's edits, and their first backup would go unrecorded and deleted.
    bool recordedBefore = (state.iniBackupRecorded & file.changedBit) != 0;
    if (record == BackupRecord::KeepFirst && recordedBefore) {
        LzDeleteFile(backup);  // the backup recorded earlier holds the older content
        return Rewrite::Edited;
    }
    // Guard: an edit whose backup cannot be recorded would leave the file
    // changed with nothing to say where its old content is. Unless an
    // earlier backup of this run is recorded (it holds older content still),
    // the edit is undone.
    BYTE changedBefore = state.iniChanged & file.changedBit;
    if (!RecordBackup(file, backup) && !recordedBefore) {
        state.iniChanged = static_cast<BYTE>((state.iniChanged & ~file.changedBit) | changedBefore);
        GiveBack(file, backup, path);
        return Rewrite::WriteFailed;
    }
    return Rewrite::Edited;
}
