// The host's keys as the machine's virtual-key codes (a US keyboard). The
// keycode is SDL's (SDL_Keycode); 0 for a key the machine has no code for.
#pragma once

namespace nv::window {

int VirtualKeyFor(int sdlKeycode);

}  // namespace nv::window
