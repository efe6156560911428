// The D2XX driver beside a stand-in ftd2xx.dll whose chip has a simulated
// controller behind its pins: which ports it takes, and that its calls reach
// the chip.
#include "d2xx_chip.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Every call reaches the chip: pin states out, one sample back for each,
// and the lines in serial mode as the serial driver drives them (active
// low on the pins).
TEST(D2xxChip, DrivesThePinsInBothModes) {
    ClaimCom("1");
    D2xxChip chip;
    FtdiChipInfo info;
    ASSERT_TRUE(chip.Open("COM1", info));
    ASSERT_TRUE(chip.SetSerialMode());
    ASSERT_TRUE(chip.SetBaudRate(19200));
    ASSERT_TRUE(chip.SetDtr(true));
    ASSERT_TRUE(chip.SetRts(false));
    std::uint8_t pins = 0;
    ASSERT_TRUE(chip.ReadPins(pins));
    EXPECT_EQ(pins & (pin::kDtr | pin::kRts), pin::kRts);
    std::uint8_t status = 0;
    EXPECT_TRUE(chip.ModemStatus(status));

    ASSERT_TRUE(chip.SetLatencyTimer(1));
    ASSERT_TRUE(chip.SetSyncBitBang(pin::kTxd | pin::kRts | pin::kDtr));
    ASSERT_TRUE(chip.SetPinClock(100000));
    ASSERT_TRUE(chip.Purge());
    const std::vector<std::uint8_t> states(100, pin::kTxd | pin::kRts);
    ASSERT_TRUE(chip.Write(states.data(), states.size()));
    std::vector<std::uint8_t> samples(states.size());
    std::size_t got = 0;
    ASSERT_TRUE(chip.Read(samples.data(), samples.size(), got));
    EXPECT_EQ(got, samples.size());
    EXPECT_EQ(samples.back() & (pin::kTxd | pin::kRts | pin::kDtr), pin::kTxd | pin::kRts);
    ASSERT_TRUE(chip.ReadPins(pins));
    EXPECT_EQ(pins & pin::kDtr, 0);
    chip.Close();
    EXPECT_FALSE(chip.SetSerialMode());  // closed: nothing reaches a chip
    ClaimCom("");
}

}  // namespace
