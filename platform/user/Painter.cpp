#include "platform/user/Painter.h"

#include <algorithm>
#include <vector>

namespace nv::user {
namespace {
Painter* painter = nullptr;
std::vector<WaitObserver*>& observers() {
    static std::vector<WaitObserver*> v;
    return v;
}
}  // namespace

void SetPainter(Painter* p) { painter = p; }
Painter* GetPainter() { return painter; }

void AddWaitObserver(WaitObserver* o) {
    if (o && std::find(observers().begin(), observers().end(), o) == observers().end())
        observers().push_back(o);
}

void RemoveWaitObserver(WaitObserver* o) {
    auto& v = observers();
    v.erase(std::remove(v.begin(), v.end(), o), v.end());
}

void NotifyWaiting(HWND hwnd, WaitKind kind) {
    auto list = observers();
    for (auto* o : list)
        o->waiting(hwnd, kind);
}

void NotifyRunEnded() {
    auto list = observers();
    for (auto* o : list)
        o->runEnded();
}

}  // namespace nv::user
