// A DDE client for tests, holding a conversation with a server window the
// way the installer does: initiate by broadcast, post each execute in a
// shareable block and wait for its acknowledgement or a 2000 ms timer (30),
// terminate. It records what it receives in MessageLog, one entry a message:
//   client:WM_DDE_ACK(initiate APP TOPIC)
//   client:WM_DDE_ACK(0x8000, own block)      status and whether the block is the one posted
//   client:WM_DDE_TERMINATE
//   client:WM_TIMER(30)
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/user/MessageLog_test.h"

namespace nv::testing {

class DdeClient {
public:
    static constexpr UINT_PTR kWaitTimer = 30;

    DdeClient() {
        self() = this;
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});
        wc.lpszClassName = "DdeTestClient";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "DdeTestClient", "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~DdeClient() {
        if (IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        self() = nullptr;
    }

    HWND hwnd() const { return hwnd_; }
    HWND server() const { return server_; }
    HGLOBAL block() const { return block_; }

    void initiate(const char* app = "PROGMAN", const char* topic = "PROGMAN") {
        ATOM a = GlobalAddAtomA(app), t = GlobalAddAtomA(topic);
        SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(a, t));
        GlobalDeleteAtom(a);
        GlobalDeleteAtom(t);
    }
    // Posts one execute and waits for its answer or the timer. False when
    // it could not be posted.
    bool execute(const char* commands) {
        size_t n = std::strlen(commands) + 1;
        block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, n);
        std::memcpy(GlobalLock(block_), commands, n);
        GlobalUnlock(block_);
        if (!PostMessageA(server_, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwnd_),
                          PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block_)))) {
            GlobalFree(block_);
            return false;
        }
        wait();
        return true;
    }
    void terminate() {
        PostMessageA(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd_), 0);
        wait();
    }
    // Dispatches messages until one answer (acknowledgement, terminate or the timer).
    void wait() {
        answered_ = false;
        SetTimer(hwnd_, kWaitTimer, 2000, nullptr);
        MSG m;
        while (!answered_ && GetMessageA(&m, nullptr, 0, 0))
            DispatchMessageA(&m);
        KillTimer(hwnd_, kWaitTimer);
    }
    // Frees the last block when the server never answered for it.
    void freeUnanswered() { GlobalFree(block_); }

private:
    static DdeClient*& self() {
        static DdeClient* c = nullptr;
        return c;
    }
    static std::string atomName(ATOM a) {
        char buf[64] = {};
        GlobalGetAtomNameA(a, buf, sizeof buf);
        return buf;
    }
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        DdeClient* c = self();
        auto& log = MessageLog::current();
        if (!c)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        switch (msg) {
        case WM_DDE_ACK:
            if (!c->server_) {
                c->server_ = reinterpret_cast<HWND>(wParam);
                ATOM app = LOWORD(lParam), topic = HIWORD(lParam);
                log.add("client:WM_DDE_ACK(initiate " + atomName(app) + " " + atomName(topic) + ")");
                GlobalDeleteAtom(app);  // the server's atoms are the client's to delete
                GlobalDeleteAtom(topic);
            } else {
                UINT_PTR status = 0, block = 0;
                UnpackDDElParam(WM_DDE_ACK, lParam, &status, &block);
                FreeDDElParam(WM_DDE_ACK, lParam);
                char text[48];
                std::snprintf(text, sizeof text, "0x%X, %s", static_cast<unsigned>(status & 0xFFFF),
                              reinterpret_cast<HGLOBAL>(block) == c->block_ ? "own block" : "other block");
                log.add(std::string("client:WM_DDE_ACK(") + text + ")");
                GlobalFree(reinterpret_cast<HGLOBAL>(block));  // the acknowledged block is the client's to free
                c->answered_ = true;
            }
            return 0;
        case WM_DDE_TERMINATE:
            log.add("client:WM_DDE_TERMINATE");
            c->answered_ = true;
            return 0;
        case WM_TIMER:
            log.add("client:WM_TIMER(" + std::to_string(wParam) + ")");
            c->answered_ = true;
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        }
    }

    HWND hwnd_ = nullptr;
    HWND server_ = nullptr;
    HGLOBAL block_ = nullptr;
    bool answered_ = false;
};

}  // namespace nv::testing
