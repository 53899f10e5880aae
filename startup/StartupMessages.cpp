#include "startup/StartupMessages.h"

#include "script/MessageText.h"
#include "shared/BoundedText.h"

int ShowTextMessage(HWND owner, LPCSTR text, UINT captionId, UINT style) {
    char caption[256];
    GetMessageText(captionId, caption);
    return MessageBoxA(owner, text, caption, style);
}

int ShowIdMessage(HWND owner, UINT textId, UINT captionId, UINT style) {
    char text[256];
    GetMessageText(textId, text);
    return ShowTextMessage(owner, text, captionId, style);
}

int ShowNotFound(HWND owner, UINT nameId, UINT captionId, UINT style) {
    char text[512];
    GetMessageText(nameId, text);
    AppendText(text, GetMessageText(MSG_NOT_FOUND));
    return ShowTextMessage(owner, text, captionId, style);
}
