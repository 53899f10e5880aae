#include "platform/progman/ProgmanWindow.h"

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include <dde.h>

#include "platform/core/Trace.h"
#include "platform/progman/Shell.h"
#include "platform/user/ResidentProgram.h"

namespace nv::progman {
namespace {

constexpr WORD kAckPositive = 0x8000;  // DDEACK fAck
constexpr WORD kAckNegative = 0x0000;  // DDE_FNOTPROCESSED
constexpr UINT_PTR kFirstDelayTimer = 0x100;

struct Pending {
    HWND client;
    HGLOBAL commands;
};

// What one running Program Manager holds while its window lives.
struct Server {
    Shell shell;
    std::set<HWND> partners;
    std::map<UINT_PTR, Pending> delayed;
    UINT_PTR nextTimer = kFirstDelayTimer;
    int executes = 0;
    bool abrupt = false;
};

// The running copies of one machine (each machine has its own windows).
struct Servers : machine::Machine::FamilyState {
    explicit Servers(machine::Machine&) {}
    std::map<HWND, std::unique_ptr<Server>> byWindow;
};

std::map<HWND, std::unique_ptr<Server>>& servers() {
    return machine::currentOrDie().familyState<Servers>().byWindow;
}

Server& serverOf(HWND hwnd) {
    auto& slot = servers()[hwnd];
    if (!slot)
        slot = std::make_unique<Server>();
    return *slot;
}

bool namesProgman(ATOM atom) {
    if (atom == 0)
        return true;  // a NULL atom asks every server
    char name[64] = {};
    UINT n = GlobalGetAtomNameA(atom, name, sizeof name);
    return n > 0 && machine::equalsNoCase(name, "PROGMAN");
}

void acknowledge(HWND hwnd, const Pending& p, bool ok) {
    if (!IsWindow(p.client))
        return;
    LPARAM lp = PackDDElParam(WM_DDE_ACK, ok ? kAckPositive : kAckNegative, reinterpret_cast<UINT_PTR>(p.commands));
    if (!PostMessageA(p.client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), lp))
        FreeDDElParam(WM_DDE_ACK, lp);
}

void run(HWND hwnd, Server& s, const Pending& p) {
    bool ok = false;
    if (const char* text = static_cast<const char*>(GlobalLock(p.commands))) {
        // Bounded by the block: a command string without its NUL is not read past.
        SIZE_T size = GlobalSize(p.commands);
        std::string commands(text, strnlen(text, size));
        GlobalUnlock(p.commands);
        ok = s.shell.execute(commands).ok();
    }
    acknowledge(hwnd, p, ok);
}

LRESULT onExecute(HWND hwnd, Server& s, HWND client, LPARAM lParam) {
    UINT_PTR lo = 0, hi = 0;
    UnpackDDElParam(WM_DDE_EXECUTE, lParam, &lo, &hi);
    Pending p{client, reinterpret_cast<HGLOBAL>(hi)};
    if (!s.partners.count(client)) {
        acknowledge(hwnd, p, false);  // no conversation with this window
        return 0;
    }
    ++s.executes;
    auto* m = machine::current();
    const auto fault = m ? m->settings().progmanFault : machine::ProgmanFault::None;
    const int value = m ? m->settings().progmanFaultValue : 0;
    switch (fault) {
    case machine::ProgmanFault::NoAck:
        return 0;
    case machine::ProgmanFault::Close:
        if (s.executes >= value) {
            s.abrupt = true;
            DestroyWindow(hwnd);
            return 0;
        }
        break;
    case machine::ProgmanFault::Delay: {
        UINT_PTR id = s.nextTimer++;
        if (SetTimer(hwnd, id, static_cast<UINT>(value), nullptr)) {
            s.delayed[id] = p;
            return 0;
        }
        break;
    }
    case machine::ProgmanFault::None:
        break;
    }
    run(hwnd, s, p);
    return 0;
}

}  // namespace


LRESULT CALLBACK ProgmanWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Program Manager is another program: its own calls are not the installer's.
    trace::Quiet quiet;
    switch (msg) {
    case WM_CREATE:
        servers()[hwnd] = std::make_unique<Server>();
        return 0;
    case WM_DDE_INITIATE: {
        HWND client = reinterpret_cast<HWND>(wParam);
        if (client == hwnd || !namesProgman(LOWORD(lParam)) || !namesProgman(HIWORD(lParam)))
            return 0;
        serverOf(hwnd).partners.insert(client);
        ATOM app = GlobalAddAtomA("PROGMAN");
        ATOM topic = GlobalAddAtomA("PROGMAN");
        SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(app, topic));
        return 0;
    }
    case WM_DDE_EXECUTE:
        return onExecute(hwnd, serverOf(hwnd), reinterpret_cast<HWND>(wParam), lParam);
    case WM_TIMER: {
        Server& s = serverOf(hwnd);
        auto it = s.delayed.find(wParam);
        if (it == s.delayed.end())
            break;
        KillTimer(hwnd, wParam);
        Pending p = it->second;
        s.delayed.erase(it);
        run(hwnd, s, p);
        return 0;
    }
    case WM_DDE_TERMINATE: {
        HWND client = reinterpret_cast<HWND>(wParam);
        Server& s = serverOf(hwnd);
        if (s.partners.erase(client))
            PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        for (auto it = s.delayed.begin(); it != s.delayed.end();)
            it = it->second.client == client ? s.delayed.erase(it) : std::next(it);
        return 0;
    }
    case WM_DESTROY: {
        auto it = servers().find(hwnd);
        if (it != servers().end()) {
            if (!it->second->abrupt)
                for (HWND partner : it->second->partners)
                    PostMessageA(partner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
            servers().erase(it);
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void registerProgramManager() {
    user::ResidentProgram p;
    p.className = kClassName;
    p.title = kTitle;
    p.proc = ProgmanWndProc;
    p.style = WS_OVERLAPPEDWINDOW;
    p.runs = [](const machine::Machine& m) { return m.settings().progmanRunning; };
    user::registerResidentProgram(std::move(p));
}

HWND programManagerWindow() { return user::residentWindow(kClassName); }

}  // namespace nv::progman
