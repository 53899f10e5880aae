#include "script/MessageText.h"

#include <algorithm>

#include "shared/InstallState.h"

namespace {

// Guard: a language index outside the table would shift ids into nothing;
// such a value can only come from a damaged private INI, so it counts as English.
int usableLanguage(int languageIndex) {
    return languageIndex >= 0 && languageIndex < LANGUAGE_COUNT ? languageIndex : 0;
}

UINT resourceIdOf(UINT id, int languageIndex) {
    return id >= 100 ? id + 1000u * static_cast<UINT>(usableLanguage(languageIndex)) : id;
}

// Loads through the program's string resources, at most 255 characters and
// the NUL; a missing id leaves an empty text.
LPSTR fetch(UINT resourceId, LPSTR buffer, int size) {
    if (size < 1)
        return buffer;
    LoadStringA(state.instance, resourceId, buffer, std::min(size, MESSAGE_TEXT_MAX + 1));
    return buffer;
}

}  // namespace

LPSTR GetMessageText(UINT id) {
    return fetch(resourceIdOf(id, state.languageIndex), state.sharedTextBuffer, sizeof state.sharedTextBuffer);
}

LPSTR GetMessageText(UINT id, LPSTR buffer, int size) {
    if (!buffer)
        return GetMessageText(id);
    return fetch(resourceIdOf(id, state.languageIndex), buffer, size);
}

LPSTR GetMessageTextIn(int languageIndex, UINT id, LPSTR buffer, int size) {
    if (!buffer)
        return nullptr;
    return fetch(resourceIdOf(id, languageIndex), buffer, size);
}
