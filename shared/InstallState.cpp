#include "shared/InstallState.h"

#include <cstring>

InstallState state;

void ResetInstallState() {
    std::memset(&state, 0, sizeof state);
    state.askBeforeReplace = 1;
    state.lastDisk = 1;
    state.diskChangeCount = 1;
}
