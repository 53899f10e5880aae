// Message boxes of the start-up and of the stages: text and caption fetched
// by id in the chosen language.
#pragma once

#include <windows.h>

// Shows `text` under the caption of `captionId`.
int ShowTextMessage(HWND owner, LPCSTR text, UINT captionId, UINT style);
// Shows the text of `textId` under the caption of `captionId`.
int ShowIdMessage(HWND owner, UINT textId, UINT captionId, UINT style);
// Shows the name of `nameId` followed by " is not found." (id 132).
int ShowNotFound(HWND owner, UINT nameId, UINT captionId, UINT style);
