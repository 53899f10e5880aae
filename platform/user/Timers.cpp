// Timers on the machine clock.
#include "platform/user/WindowState.h"

#include <algorithm>

namespace nv::user {
using namespace detail;

namespace detail {

void killTimersOf(HWND hwnd) {
    auto& t = S().timers;
    t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd; }), t.end());
}

}  // namespace detail

// ---- timers and the clock ----

uint64_t now() { return S().clock; }

void advanceClock(uint64_t to) {
    State& s = S();
    if (to > s.clock)
        s.clock = to;
}

std::optional<uint64_t> nextTimerDue() {
    std::optional<uint64_t> best;
    for (auto& t : S().timers)
        if (!best || t.due < *best)
            best = t.due;
    return best;
}

UINT_PTR setTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    State& s = S();
    if (hwnd && !find(hwnd))
        return 0;
    // Windows raises elapse times below 10 ms to 10 ms.
    elapse = std::max<UINT>(elapse, 10);
    if (!hwnd)
        id = s.nextThreadTimer++;
    for (auto& t : s.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.elapse = elapse;
            t.proc = proc;
            t.due = s.clock + elapse;
            return hwnd ? (id ? id : 1) : id;
        }
    }
    s.timers.push_back(Timer{hwnd, id, elapse, proc, s.clock + elapse});
    return hwnd ? (id ? id : 1) : id;
}

bool killTimer(HWND hwnd, UINT_PTR id) {
    auto& t = S().timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
    if (it == t.end())
        return false;
    t.erase(it);
    return true;
}


}  // namespace nv::user
