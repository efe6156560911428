// What the lock functions keep between commands, and the bits of the controller's LockFlags.
#pragma once

namespace kvr {

struct LockState {
    // The controller's LockFlags as last read (low 8 bits); Write changes
    // bits 0 and 1 in it and sends it back. 0 until the first read.
    int lockByte = 0;
};

// Bits of LockFlags; a clear bit locks the function.
inline constexpr int kLockRcSetupFree = 0x01;
inline constexpr int kLockTestProgramFree = 0x02;

}  // namespace kvr
