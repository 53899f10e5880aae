#include "shared/StartKind.h"

#include <cstring>

#include "shared/InstallState.h"

StartKind CurrentStartKind() {
    // Exact and case-sensitive: "/1 " and "/nd" are uninstall starts.
    if (state.commandLine[0] == '\0')
        return StartKind::Normal;
    if (std::strcmp(state.commandLine, "/1") == 0)
        return StartKind::Unattended;
    if (std::strcmp(state.commandLine, "/ND") == 0)
        return StartKind::GroupOnly;
    return StartKind::Uninstall;
}
