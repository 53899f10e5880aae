#include "tools/nvmachine/ToolDrive.h"

#include "tools/nvmachine/ToolMachine.h"

namespace nv::tool {

machine::Drive* removableDrive(const char* command, machine::Machine& m, const std::string& arg) {
    bool shaped = (arg.size() == 1 || (arg.size() == 2 && arg[1] == ':')) &&
                  ((arg[0] >= 'A' && arg[0] <= 'Z') || (arg[0] >= 'a' && arg[0] <= 'z'));
    if (!shaped) {
        complain(command, "not a drive (write it as A:): " + arg);
        return nullptr;
    }
    machine::Drive* d = m.drive(arg[0]);
    if (!d) {
        complain(command, "the machine has no drive " + arg.substr(0, 1) + ":");
        return nullptr;
    }
    if (d->kind != machine::DriveKind::Removable) {
        complain(command, std::string("drive ") + d->letter + ": is not a removable drive");
        return nullptr;
    }
    return d;
}

}  // namespace nv::tool
