// How windows' backing surfaces meet the screen: their initial background,
// transparent parts, and the composed picture of the whole screen.
#pragma once

#include <optional>

#include <windows.h>

#include "platform/gdi/Surface.h"

namespace nv::gdi {

// Marks a pixel through which the window below shows (group boxes).
constexpr uint32_t kTransparentPixel = 0x01000000;

// The colour a window's surface starts with: its class background, the
// button face for dialogs, else white.
uint32_t initialBackground(HWND hwnd);
// The background the class erases with (class brush, or the button face for
// dialogs, whose default procedure erases with it); nullopt: none.
std::optional<COLORREF> classBackground(HWND hwnd);

// Makes part of a window DC's surface transparent.
void clearToTransparent(HDC hdc, const RECT& r);
// Forgets the surfaces of windows that no longer exist.
void pruneWindowSurfaces();
// The screen as a person would see it: the desktop, then every visible
// top-level window from the bottom of the z-order up, each with its
// children, clipped to their parents' client areas.
Surface composeScreen();

}  // namespace nv::gdi
