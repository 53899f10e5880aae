// What the user is told before a line of another maker's driver is
// commented out: the question (mode '5') and the warning (mode '6').
#pragma once

#include <windows.h>

// The display name of a mode text (from character 2 on) with " or "
// translated for the chosen language ("Acme Laser or Acme Jet" reads "Acme
// Laser oder Acme Jet" in German). Writes into out (size bytes).
void TranslateDisplayName(LPCSTR modeText, LPSTR out, int size);

// The question of mode '5'; true when the user says Yes.
bool AskToRemove(HWND owner, LPCSTR name);

// The warning of mode '6' (OK only).
void WarnToRemove(HWND owner, LPCSTR name);
