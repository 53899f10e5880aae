#include "sysconfig/RemoveQuestions.h"

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"

namespace {

// The messages are assembled in a buffer of this size.
constexpr size_t kMessageSize = 2048;

// Replaces the first "%s" of format by arg (the texts are translated, so no
// other conversion is trusted).
void AppendFormatted(char* out, size_t size, LPCSTR format, LPCSTR arg) {
    const char* at = std::strstr(format, "%s");
    if (!at) {
        AppendText(out, size, format);
        return;
    }
    std::string head(format, static_cast<size_t>(at - format));
    AppendText(out, size, head.c_str());
    AppendText(out, size, arg);
    AppendText(out, size, at + 2);
}

// One piece of a message: a text by id, the other driver's name, or a text
// whose "%s" is our own driver's name.
struct Piece {
    enum Kind { Text, TheirName, TextWithOurName } kind;
    UINT id;
};
constexpr Piece T(UINT id) { return {Piece::Text, id}; }
constexpr Piece kTheirName = {Piece::TheirName, 0};

// The message of pieces for the other driver's name in out (kMessageSize bytes).
void Compose(char* out, std::initializer_list<Piece> pieces, LPCSTR name) {
    out[0] = '\0';
    char text[256];
    for (const Piece& p : pieces) {
        if (p.kind == Piece::TheirName)
            AppendText(out, kMessageSize, name);
        else if (p.kind == Piece::TextWithOurName)
            AppendFormatted(out, kMessageSize, GetMessageText(p.id, text), state.driverName);
        else
            AppendText(out, kMessageSize, GetMessageText(p.id, text));
    }
}

}  // namespace

void TranslateDisplayName(LPCSTR modeText, LPSTR out, int size) {
    if (size < 1)
        return;
    out[0] = '\0';
    LPCSTR name = std::strlen(modeText) >= 2 ? modeText + 2 : "";
    static const char* const kOr[] = {"or", "ou", "oder", "of", "eller", "eller"};
    const char* found = nullptr;
    // Guard: an index outside the six languages would read past the table.
    if (state.languageIndex > 0 && state.languageIndex < LANGUAGE_COUNT && std::strlen(name) > 3) {
        for (const char* p = name; p[0] && p[1] && p[2] && p[3]; ++p) {
            if (p[0] == ' ' && std::toupper(static_cast<unsigned char>(p[1])) == 'O' &&
                std::toupper(static_cast<unsigned char>(p[2])) == 'R' && p[3] == ' ') {
                found = p;
                break;
            }
        }
    }
    if (!found) {
        CopyText(out, static_cast<size_t>(size), name);
        return;
    }
    std::string head(name, static_cast<size_t>(found - name) + 1);  // up to the blank before "or"
    CopyText(out, static_cast<size_t>(size), head.c_str());
    AppendText(out, static_cast<size_t>(size), kOr[state.languageIndex]);
    AppendText(out, static_cast<size_t>(size), found + 3);  // from the blank after "or"
}

bool AskToRemove(HWND owner, LPCSTR name) {
    char text[kMessageSize];
    char caption[256];
    Compose(text,
            {T(MSG_ASK_REMOVE_THERE_IS), kTheirName, T(MSG_ASK_REMOVE_INSTALLED), T(MSG_ASK_REMOVE_WHY),
             T(MSG_ASK_REMOVE_IF_NO), kTheirName, T(MSG_ASK_REMOVE_AGAIN), kTheirName, T(MSG_ASK_REMOVE_END)},
            name);
    GetMessageText(CAPTION_WARNING, caption);
    return MessageBoxA(owner, text, caption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void WarnToRemove(HWND owner, LPCSTR name) {
    char text[kMessageSize];
    char caption[256];
    Compose(text,
            {T(MSG_WARN_REMOVE_THERE_IS), kTheirName, T(MSG_WARN_REMOVE_INSTALLED), T(MSG_WARN_REMOVE_PLEASE),
             kTheirName, T(MSG_WARN_REMOVE_HOW), kTheirName, {Piece::TextWithOurName, MSG_WARN_REMOVE_MONITOR},
             T(MSG_WARN_REMOVE_IF_AGAIN), kTheirName, T(MSG_WARN_REMOVE_AGAIN), kTheirName, T(MSG_WARN_REMOVE_END)},
            name);
    GetMessageText(CAPTION_WARNING, caption);
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONWARNING);
}
