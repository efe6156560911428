// The D2XX driver beside a stand-in ftd2xx.dll whose chip has a simulated
// controller behind its pins: which ports it takes, and what a chip pulled
// out does to its calls.
#include "d2xx_chip.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kvr::FtdiChipInfo;
using kvr::win32::D2xxChip;
namespace pin = kvr::ftdi_pin;

// The stand-in's chip claims the COM port named here.
void ClaimCom(const char* n) {
    SetEnvironmentVariableA("KVR_FTD2XX_COM", *n ? n : nullptr);
}

TEST(D2xxChip, OpensOnlyTheChipBehindTheChosenComPort) {
    const struct {
        const wchar_t* library;
        const char* chipCom;  // "": the library finds no chip
        const char* port;
        bool opens;
    } cases[] = {
        {L"no-such-ftd2xx.dll", "1", "COM1", false},
        {L"no_entries.dll", "1", "COM1", false},  // a library without the entries
        {L"ftd2xx.dll", "", "COM1", false},
        {L"ftd2xx.dll", "3", "COM1", false},  // an FTDI chip, but on another port
        {L"ftd2xx.dll", "3", "LPT1", false},
        {L"ftd2xx.dll", "3", "COM3", true},
        {L"ftd2xx.dll", "12", "\\\\.\\COM12", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port + std::string(" with the chip on COM") + c.chipCom);
        ClaimCom(c.chipCom);
        D2xxChip chip(c.library);
        FtdiChipInfo info;
        ASSERT_EQ(chip.Open(c.port, info), c.opens);
        if (!c.opens) continue;
        EXPECT_EQ(info.model, "FT232R");
        EXPECT_TRUE(info.syncBitBang);
        EXPECT_EQ(info.txBuffer, 128u);
        EXPECT_EQ(info.rxBuffer, 256u);
        // One program at a time holds the chip.
        D2xxChip other;
        EXPECT_FALSE(other.Open(c.port, info));
        chip.Close();
        EXPECT_TRUE(other.Open(c.port, info));
    }
    ClaimCom("");
}

// An adapter pulled out: from then on every call fails, none reports a
// success it did not have.
TEST(D2xxChip, EveryCallFailsOnceTheChipIsPulledOut) {
    ClaimCom("1");
    SetEnvironmentVariableA("KVR_FTD2XX_PULL_OUT", "5");
    {
        D2xxChip chip;
        FtdiChipInfo info;
        ASSERT_TRUE(chip.Open("COM1", info));
        std::uint8_t pins = 0;
        int calls = 0;
        while (chip.ReadPins(pins) && calls < 10) ++calls;
        EXPECT_LT(calls, 10);
        const std::uint8_t state = 0xFF;
        std::size_t got = 1;
        EXPECT_FALSE(chip.Write(&state, 1));
        EXPECT_FALSE(chip.Read(&pins, 1, got));
        EXPECT_EQ(got, 0u);
        EXPECT_FALSE(chip.ModemStatus(pins));
        EXPECT_FALSE(chip.SetRts(true) || chip.SetDtr(true) || chip.SetBreak(true));
        EXPECT_FALSE(chip.SetSyncBitBang(pin::kRts) || chip.SetPinClock(100000) || chip.Purge());
    }
    SetEnvironmentVariableA("KVR_FTD2XX_PULL_OUT", nullptr);
    ClaimCom("");
}

}  // namespace
