#pragma once

#include "program.h"

// The chip's serial programming mode: reset sequences, Programming Enable
// with its echo, the signature and its judgement.
namespace kvr {

inline constexpr int kIspConnected = 0;
inline constexpr int kIspFailed = 1;
inline constexpr int kIspLocked = 2;

int ProgrammingEnable(Program& p);
int RetryProgrammingEnable(Program& p);
int ReadSignature(Program& p);
int ResetPulseShort(Program& p);
int ResetPulseLong(Program& p);
int ConnectIsp(Program& p);

// One 32-bit programming instruction sent as two words; returns the byte
// received during the fourth byte.
int IspInstruction(Program& p, int word1, int word2);
// The same instruction left pending on a batching device: its reply is in
// exchange.in once the lines are played.
void SendIspInstruction(Program& p, int word1, int word2);

}  // namespace kvr
