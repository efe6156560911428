// The control entries of the modem-line preload library (libkvrmodem.so).
// A program that runs with the library preloaded finds them with
// dlsym(RTLD_DEFAULT, ...); nothing links against the library.
#pragma once

#include <stddef.h>
#include <stdint.h>

extern "C" {

// Calls the program made on the device through the C library, by kind.
struct KvrModemStats {
    long lineChanges;  // TIOCMSET, TIOCMBIS, TIOCMBIC, TIOCSBRK, TIOCCBRK, TCSBRK 0
    long statusReads;  // TIOCMGET
    long otherIoctls;  // any other ioctl on the device (FIONREAD, TCFLSH, ...)
    long reads;
    long writes;
    long polls;  // poll and ppoll with the device among their descriptors
    long opens;
    long closes;
    // Time the added latency really took: a sleep of 125 us overshoots by
    // the machine's wake-up time.
    long latencySleptUs;
};

typedef void (*KvrModemStatsFn)(struct KvrModemStats*);
typedef void (*KvrModemVoidFn)(void);
typedef int (*KvrModemGetFn)(int address);
typedef void (*KvrModemSetFn)(int key, long value);
typedef size_t (*KvrModemFlashFn)(uint8_t* out, size_t size);
typedef size_t (*KvrModemTextFn)(char* out, size_t size);

// Keys of kvr_modem_set.
enum KvrModemKey {
    kKvrModemLatencyNs = 1,  // added to every modem-line call
    kKvrModemMotorHz = 2,    // pulses per second of the motor (0 = none)
    kKvrModemMotorSpinUpMs = 3,
    kKvrModemVanishAfter = 4,  // the device vanishes after this many more modem-line calls
    kKvrModemMemory = 0x100,   // + address: a byte of the parameter memory
};

void kvr_modem_stats(struct KvrModemStats* out);
void kvr_modem_reset_stats(void);
// The device disappears as an unplugged adapter does: open descriptors
// fail, the path cannot be opened. kvr_modem_replug brings it back.
void kvr_modem_vanish(void);
void kvr_modem_replug(void);
void kvr_modem_set(int key, long value);
// A byte of the controller's parameter memory.
int kvr_modem_memory(int address);
// The controller's flash, up to size bytes; returns its whole size.
size_t kvr_modem_flash(uint8_t* out, size_t size);
// The controller's wire trace as text, cut to size - 1; returns its length.
size_t kvr_modem_trace(char* out, size_t size);
}
