// Memory blocks of GlobalAlloc and LocalAlloc (one heap serves both, as in
// Win32).
//
// Contract:
//  - A fixed block's handle is its address. A movable block's handle is a
//    value inside a reserved region that is never readable, so using the
//    handle as a pointer faults at once instead of corrupting memory.
//  - Handles of freed blocks are not handed out again for a long time (2^20
//    handles), so a freed handle used again fails with ERROR_INVALID_HANDLE.
//  - Every allocation and every reallocation asks the machine whether it is
//    to fail (Machine::nextAllocationFails); a failed one changes nothing.
#pragma once

#include <cstddef>
#include <map>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"

namespace nv::kernel {

enum class Mobility { Fixed, Movable };
enum class Fill { Any, Zero };

struct MemoryBlock {
    char* data = nullptr;  // null once discarded
    size_t size = 0;
    Mobility mobility = Mobility::Fixed;
    bool discardable = false;
    int locks = 0;
};

class MemoryTable : public machine::Machine::FamilyState {
public:
    explicit MemoryTable(machine::Machine& machine) : machine_(machine) {}
    ~MemoryTable() override;
    MemoryTable(const MemoryTable&) = delete;
    MemoryTable& operator=(const MemoryTable&) = delete;

    Result<HGLOBAL> alloc(size_t size, Mobility mobility, Fill fill, bool discardable);
    // Resizes; `mayMove` allows a fixed block to move (its handle changes)
    // and a locked movable block to move. Size 0 discards an unlocked movable
    // block. Returns the (possibly new) handle.
    Result<HGLOBAL> realloc(HGLOBAL handle, size_t size, bool mayMove, Fill fill);
    Result<void> setDiscardable(HGLOBAL handle, bool discardable);
    Result<void> free(HGLOBAL handle);
    Result<void*> lock(HGLOBAL handle);
    // The lock count left.
    Result<int> unlock(HGLOBAL handle);
    Result<const MemoryBlock*> block(HGLOBAL handle) const;
    // The handle of the block that starts at `pointer`.
    Result<HGLOBAL> handleOf(const void* pointer) const;

    size_t liveBlocks() const { return blocks_.size(); }

private:
    Result<MemoryBlock*> find(HGLOBAL handle);
    static HGLOBAL newMovableHandle();

    machine::Machine& machine_;
    std::map<HGLOBAL, MemoryBlock> blocks_;
};

MemoryTable& memory();

}  // namespace nv::kernel
