// The program's INI line editor on any file: every edit keeps the old bytes
// (it only inserts: a comment mark, a shortened copy of a line, a new line)
// and a changed file always has a recorded backup equal to the old file.
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include <windows.h>

#include "platform/user/Input.h"
#include "platform/user/WindowManager.h"
#include "shared/InstallState.h"
#include "sysconfig/IniEdit.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

namespace {

// Whether every byte of old appears in now, in order.
bool keptInOrder(std::string_view old, std::string_view now) {
    size_t at = 0;
    for (char c : now)
        if (at < old.size() && old[at] == c)
            ++at;
    return at == old.size();
}

// The host text of a Windows path on drive C:, empty when it is elsewhere.
std::string hostText(testing::TempMachine& machine, const std::string& path) {
    if (path.size() < 3 || (path[0] | 0x20) != 'c' || path[1] != ':' || path[2] != '\\')
        return {};
    std::string rel = path.substr(3);
    for (char& c : rel)
        if (c == '\\')
            c = '/';
    return machine.get('C', rel);
}

}  // namespace

void iniEditInput(const uint8_t* data, size_t size) {
    if (size < 5 || size > (1 << 16))
        return;
    auto& machine = fuzzMachine();
    std::error_code ec;
    std::filesystem::remove_all(machine.host('C', "WINDOWS"), ec);
    std::filesystem::create_directories(machine.host('C', "WINDOWS/SYSTEM"));
    ResetInstallState();
    std::strcpy(state.windowsDir, "C:\\WINDOWS");
    std::strcpy(state.systemDir, "C:\\WINDOWS\\SYSTEM");
    std::strcpy(state.privateIniPath, "C:\\WINDOWS\\NVINST.INI");
    std::strcpy(state.driverName, "QS-8000");
    // A question or warning (modes 5 and 6) finds nobody to answer it: the
    // run stops, the message box gives 0 and the edit goes on.
    user::reset();
    user::input::SetStopHandler([](user::input::Status, const std::string&) {});
    user::input::UseNone();

    static const char* const kSections[] = {"windows", "386Enh", "boot", "Fuzz"};
    static const char* const kKeys[] = {"load", "run", "device", "drivers"};
    static const char* const kTargets[] = {"NVLM.DRV", "qs8000.drv", "*vcd", "a"};
    static const char kModes[] = {'0', '3', '5', '6'};
    const char* section = kSections[data[1] % 4];
    const char* key = kKeys[data[2] % 4];
    std::string valueSpec = std::string(1, data[3] & 1 ? '1' : '2') + ":" + kTargets[(data[3] >> 1) % 4];
    state.iniEditMode[0] = kModes[data[4] % 4];
    std::strcpy(state.iniEditMode + 1, "Norvalk QS-8000 or QS-8200");
    std::string old(reinterpret_cast<const char*>(data) + 5, size - 5);

    std::string file;
    const char* backupKey;
    switch (data[0] % 3) {
    case 0:
    case 1: {
        bool winIni = data[0] % 3 == 1;
        file = winIni ? "WINDOWS/FUZZ.INI" : "WINDOWS/SYSTEM/FUZZ.INI";
        backupKey = winIni ? "BFileWinIni" : "BFileSysIni";
        machine.put('C', file, old);
        EditIniEntry(nullptr, winIni ? "21:FUZZ.INI" : "10:FUZZ.INI", section, key, valueSpec.c_str(), "NVINST");
        break;
    }
    default:
        file = "WINDOWS/SYSTEM.INI";
        backupKey = "BFileSysIni";
        machine.put('C', file, old);
        AddDeviceLine(kTargets[(data[3] >> 1) % 4]);
        break;
    }
    user::input::SetStopHandler(nullptr);

    std::string now = machine.get('C', file);
    if (!keptInOrder(old, now))
        broken("the edit lost bytes of the old file");
    char backup[MAX_PATH] = "";
    GetPrivateProfileStringA("Install", backupKey, "", backup, sizeof backup, state.privateIniPath);
    if (now != old && !*backup)
        broken("the file changed but no backup was recorded");
    if (*backup && hostText(machine, backup) != old)
        broken(std::string("the backup ") + backup + " differs from the old file");
}

}  // namespace nv::fuzz
