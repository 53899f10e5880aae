// What a waiting dialog or message box shows, read through the ordinary
// messages: caption, texts, controls with their ids, states, list rows and
// selections, the default button and the focus. Used by the console, by
// answer-file messages and by record mode. Internal to platform/user.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/user/Painter.h"

namespace nv::user::input {

struct ControlView {
    HWND hwnd = nullptr;
    int id = 0;
    std::string kind;  // "button", "radio", "check", "group", "edit", "static", "list", "icon", ...
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool focused = false;
    bool isDefault = false;
    int check = 0;
    bool multiple = false;
    std::vector<std::string> rows;
    std::vector<bool> selected;
};

struct WaitView {
    HWND hwnd = nullptr;
    WaitKind kind = WaitKind::Dialog;
    std::string templateName;
    std::string caption;
    std::string message;  // a message box's text
    std::vector<ControlView> controls;
};

WaitView view(HWND hwnd, WaitKind kind);
// One line: "dialog SELECTDRV "Select Model"" or "message box "Warning": "text"".
std::string title(const WaitView& v);
// Several lines, for the console and for messages.
std::string describe(const WaitView& v);
// The answer-file header that matches this wait.
std::string header(const WaitView& v);

}  // namespace nv::user::input
