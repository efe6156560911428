// The chip's serial programming mode: reset sequences, Programming Enable
// with its echo, the signature and its judgement.
#pragma once

#include "core_context.h"

namespace kvr {

inline constexpr int kIspConnected = 0;
inline constexpr int kIspFailed = 1;
inline constexpr int kIspLocked = 2;

int ProgrammingEnable(CoreContext& p);
int RetryProgrammingEnable(CoreContext& p);
int ReadSignature(CoreContext& p);
int ResetPulseShort(CoreContext& p);
int ResetPulseLong(CoreContext& p);
int ConnectIsp(CoreContext& p);

// One 32-bit programming instruction sent as two words; returns the byte
// received during the fourth byte.
int IspInstruction(CoreContext& p, int word1, int word2);
// The same instruction left pending on a batching device: its reply is in
// exchange.in once the lines are played.
void SendIspInstruction(CoreContext& p, int word1, int word2);

}  // namespace kvr
