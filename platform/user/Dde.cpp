// lParam packing of DDE messages. WM_DDE_ACK, DATA, POKE and ADVISE carry two
// values that do not both fit an lParam; as on Win32 they go into a packed
// handle. The packed value keeps the low value's low word in its own low
// word, so a reader of LOWORD(lParam) sees an acknowledgement's status as a
// 16-bit conversation would. WM_DDE_EXECUTE carries its command handle
// unpacked; the others pack two 16-bit atoms with MAKELPARAM.
#include <windows.h>

#include <map>

#include "platform/core/PerMachine.h"
#include "platform/core/Trace.h"

namespace {

struct Pair {
    UINT_PTR lo;
    UINT_PTR hi;
};

struct Packs {
    std::map<LPARAM, Pair> pairs;
    LPARAM nextSlot = 1;
};

std::map<LPARAM, Pair>& packs() { return nv::machine::perMachine<Packs>().pairs; }
constexpr LPARAM kPackedMark = static_cast<LPARAM>(1) << 47;

bool packed(UINT msg) {
    return msg == WM_DDE_ACK || msg == WM_DDE_DATA || msg == WM_DDE_POKE || msg == WM_DDE_ADVISE;
}

}  // namespace

LPARAM WINAPI PackDDElParam(UINT msg, UINT_PTR lo, UINT_PTR hi) {
    NV_TRACE_ENTER("PackDDElParam", msg, lo, hi);
    LPARAM r;
    if (packed(msg)) {
        LPARAM slot = nv::machine::perMachine<Packs>().nextSlot++ & 0xFFFFFFFF;
        r = kPackedMark | (slot << 16) | static_cast<LPARAM>(lo & 0xFFFF);
        packs()[r] = Pair{lo, hi};
    } else if (msg == WM_DDE_EXECUTE) {
        r = static_cast<LPARAM>(hi);
    } else {
        r = MAKELPARAM(lo, hi);
    }
    NV_TRACE_RESULT(r);
    return r;
}

BOOL WINAPI UnpackDDElParam(UINT msg, LPARAM lParam, PUINT_PTR lo, PUINT_PTR hi) {
    NV_TRACE_ENTER("UnpackDDElParam", msg, lParam);
    BOOL ok = TRUE;
    UINT_PTR l = 0, h = 0;
    if (packed(msg) && (lParam & kPackedMark)) {
        auto it = packs().find(lParam);
        if (it == packs().end()) {
            ok = FALSE;
        } else {
            l = it->second.lo;
            h = it->second.hi;
        }
    } else if (msg == WM_DDE_EXECUTE) {
        h = static_cast<UINT_PTR>(lParam);
    } else {
        // Not packed: an acknowledgement of WM_DDE_INITIATE carries two atoms.
        l = LOWORD(lParam);
        h = HIWORD(lParam);
    }
    if (lo)
        *lo = l;
    if (hi)
        *hi = h;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI FreeDDElParam(UINT msg, LPARAM lParam) {
    NV_TRACE_ENTER("FreeDDElParam", msg, lParam);
    BOOL ok = TRUE;
    if (packed(msg) && (lParam & kPackedMark))
        ok = packs().erase(lParam) ? TRUE : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

LPARAM WINAPI ReuseDDElParam(LPARAM lParam, UINT msgIn, UINT msgOut, UINT_PTR lo, UINT_PTR hi) {
    NV_TRACE_ENTER("ReuseDDElParam", lParam, msgIn, msgOut);
    FreeDDElParam(msgIn, lParam);
    LPARAM r = PackDDElParam(msgOut, lo, hi);
    NV_TRACE_RESULT(r);
    return r;
}
