// What the run learns from the registry: the ECP parallel ports and the
// colour-profile directory, both recorded in WIN.INI for the product's
// other components.
#include <cstdio>
#include <cstring>

#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "startup/Startup.h"

namespace {

// n for a port name "LPTn" (any case), else 0.
// Guard: the fourth character alone would take the serial port COM1 for LPT1.
int ParallelPortNumber(const char* name) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(name[0]) != 'L' || upper(name[1]) != 'P' || upper(name[2]) != 'T')
        return 0;
    if (name[3] < '1' || name[3] > '9' || (name[4] >= '0' && name[4] <= '9'))
        return 0;
    return name[3] - '0';
}

// Sets bit (n - 1) of `ports` for every subkey (at most 8) whose PortName is LPTn, n 1..3.
void CollectPorts(HKEY device, unsigned& ports) {
    for (DWORD index = 0; index < 8; ++index) {
        char name[128];
        DWORD nameSize = sizeof name;
        LONG rc = RegEnumKeyExA(device, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;
        HKEY instance = nullptr;
        if (RegOpenKeyExA(device, name, 0, KEY_ALL_ACCESS, &instance) != ERROR_SUCCESS)
            continue;
        // The value may fill all 80 bytes; one more keeps a NUL even when it has none.
        char portName[80 + 1] = {};
        DWORD type = 0;
        DWORD size = sizeof portName - 1;
        if (RegQueryValueExA(instance, "PortName", nullptr, &type, reinterpret_cast<LPBYTE>(portName), &size) ==
            ERROR_SUCCESS) {
            if (int n = ParallelPortNumber(portName); n >= 1 && n <= 3)
                ports |= 1u << (n - 1);
        }
        RegCloseKey(instance);
    }
}

}  // namespace

void ProbeEcpPorts() {
    static const char* const kRoots[] = {"Enum\\Root\\", "Enum\\BIOS\\"};
    static const char* const kDevices[] = {"*PNP0401", "*CPQA0E0"};
    unsigned ports = 0;
    for (const char* root : kRoots) {
        for (const char* id : kDevices) {
            char path[64];
            std::snprintf(path, sizeof path, "%s%s", root, id);
            HKEY device = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &device) != ERROR_SUCCESS)
                continue;
            CollectPorts(device, ports);
            RegCloseKey(device);
        }
    }
    for (int n = 1; n <= 3; ++n) {
        char key[8];
        std::snprintf(key, sizeof key, "LPT%d", n);
        WriteProfileStringA(SERIES_SECTION, key, (ports & (1u << (n - 1))) ? "1" : "0");
    }
}

int ReadIcmPath() {
    HKEY setup = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup", 0, KEY_ALL_ACCESS,
                      &setup) != ERROR_SUCCESS)
        return 0;
    // The value may fill all of icmPath; one more byte keeps a NUL even when it has none.
    char value[sizeof state.icmPath + 1] = {};
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    LONG rc = RegQueryValueExA(setup, "ICMPath", nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(setup);
    if (rc != ERROR_SUCCESS)
        return 0;
    CopyText(state.icmPath, value);
    return 1;
}

void WriteIcmPath() { WriteProfileStringA(SERIES_SECTION, "ICMPath", state.icmPath); }
