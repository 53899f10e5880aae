// How the program was started, read from the command line the entry point
// copied into the installer state.
#pragma once

// Normal: no command line; Unattended: "/1"; GroupOnly: "/ND" (program
// groups only, after a delay); Uninstall: anything else, the path of a
// setup-information file.
enum class StartKind { Normal, Unattended, GroupOnly, Uninstall };

// The kind of `state.commandLine`, compared exactly and case-sensitively.
StartKind CurrentStartKind();
