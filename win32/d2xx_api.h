// The few entries of the FTDI chip maker's D2XX library (ftd2xx.dll) that the
// program calls, declared from the library's programmer's guide.
#pragma once

#include "windows_api.h"

namespace kvr::win32::d2xx {

using Handle = void*;
using Status = ULONG;
inline constexpr Status kOk = 0;
inline constexpr Status kInvalidHandle = 1;
inline constexpr Status kDeviceNotFound = 2;
inline constexpr Status kDeviceNotOpened = 3;
inline constexpr Status kIoError = 4;
inline constexpr Status kInvalidParameter = 6;

// FT_SetBitMode's modes.
inline constexpr UCHAR kModeReset = 0x00;
inline constexpr UCHAR kModeSyncBitBang = 0x04;
// FT_SetDataCharacteristics and FT_SetFlowControl.
inline constexpr UCHAR kBits8 = 8;
inline constexpr UCHAR kStopBits1 = 0;
inline constexpr UCHAR kParityNone = 0;
inline constexpr USHORT kFlowNone = 0x0000;
// FT_Purge's mask.
inline constexpr ULONG kPurgeRx = 1;
inline constexpr ULONG kPurgeTx = 2;

// FT_GetDeviceInfo's chip types (FT_DEVICE).
enum DeviceType : ULONG {
    kDeviceBm = 0,
    kDeviceAm = 1,
    kDevice100Ax = 2,
    kDeviceUnknown = 3,
    kDevice2232C = 4,
    kDevice232R = 5,
    kDevice2232H = 6,
    kDevice4232H = 7,
    kDevice232H = 8,
    kDeviceXSeries = 9,
};

// Every entry is __stdcall (WINAPI) and exported under its plain name.
using CreateDeviceInfoList = Status(WINAPI*)(DWORD* count);
using Open = Status(WINAPI*)(int index, Handle* handle);
using Close = Status(WINAPI*)(Handle handle);
using GetComPortNumber = Status(WINAPI*)(Handle handle, LONG* comPort);
using GetDeviceInfo = Status(WINAPI*)(Handle handle, ULONG* type, DWORD* id, char* serialNumber,
                                      char* description, void* reserved);
using SetBitMode = Status(WINAPI*)(Handle handle, UCHAR mask, UCHAR mode);
using GetBitMode = Status(WINAPI*)(Handle handle, UCHAR* pins);
using SetBaudRate = Status(WINAPI*)(Handle handle, ULONG baud);
using SetDataCharacteristics = Status(WINAPI*)(Handle handle, UCHAR wordLength, UCHAR stopBits,
                                               UCHAR parity);
using SetFlowControl = Status(WINAPI*)(Handle handle, USHORT flow, UCHAR xon, UCHAR xoff);
using Line = Status(WINAPI*)(Handle handle);  // FT_SetDtr, FT_ClrRts, FT_SetBreakOn, ...
using GetModemStatus = Status(WINAPI*)(Handle handle, ULONG* status);
using SetLatencyTimer = Status(WINAPI*)(Handle handle, UCHAR ms);
using SetTimeouts = Status(WINAPI*)(Handle handle, ULONG readMs, ULONG writeMs);
using Purge = Status(WINAPI*)(Handle handle, ULONG mask);
using Write = Status(WINAPI*)(Handle handle, void* data, DWORD count, DWORD* written);
using Read = Status(WINAPI*)(Handle handle, void* data, DWORD count, DWORD* got);

}  // namespace kvr::win32::d2xx
