// The 16550 UART's register vocabulary: the eight register indexes (with the names they take
// when the divisor latch is switched in) and the bits of each register. The PC Card driver
// programs a chip with it and the emulated chip answers with it.
#pragma once

#include <cstdint>

namespace qmx2::uart16550 {

// Register indexes. With kLcrDivisorLatch set, indexes 0 and 1 reach the divisor latch.
inline constexpr uint8_t kRegData = 0, kRegDivisorLow = 0;
inline constexpr uint8_t kRegInterruptEnable = 1, kRegDivisorHigh = 1;
inline constexpr uint8_t kRegInterruptId = 2, kRegFifoControl = 2;  // read, write
inline constexpr uint8_t kRegLineControl = 3, kRegModemControl = 4, kRegLineStatus = 5,
                         kRegModemStatus = 6, kRegScratch = 7;

// Interrupt enable.
inline constexpr uint8_t kIerReceive = 0x01, kIerTransmit = 0x02, kIerLineStatus = 0x04,
                         kIerModemStatus = 0x08;
inline constexpr uint8_t kIerAllButTransmit = kIerReceive | kIerLineStatus | kIerModemStatus;
inline constexpr uint8_t kIerAll = kIerAllButTransmit | kIerTransmit;

// Interrupt identification: bit 0 clear while one is pending; bits 1-3 say which.
inline constexpr uint8_t kIirNonePending = 0x01, kIirIdMask = 0x0F, kIirFifosOn = 0xC0;
inline constexpr uint8_t kIirModemStatus = 0x00, kIirTransmitEmpty = 0x02,
                         kIirReceiveData = 0x04, kIirLineStatus = 0x06,
                         kIirReceiveTimeout = 0x0C;

// FIFO control.
inline constexpr uint8_t kFcrEnable = 0x01, kFcrClearReceive = 0x02, kFcrClearTransmit = 0x04,
                         kFcrTriggerMask = 0xC0, kFcrTrigger8 = 0x80;

// Line control.
inline constexpr uint8_t kLcrWordLengthMask = 0x03, kLcrEightBits = 0x03, kLcrTwoStopBits = 0x04,
                         kLcrParityMask = 0x38, kLcrParityEnable = 0x08, kLcrBreak = 0x40,
                         kLcrDivisorLatch = 0x80;

// Modem control.
inline constexpr uint8_t kMcrDtr = 0x01, kMcrRts = 0x02, kMcrOut2 = 0x08, kMcrLoop = 0x10;

// Line status.
inline constexpr uint8_t kLsrDataReady = 0x01, kLsrOverrun = 0x02, kLsrParity = 0x04,
                         kLsrFraming = 0x08, kLsrBreak = 0x10, kLsrThrEmpty = 0x20,
                         kLsrTransmitterEmpty = 0x40, kLsrFifoError = 0x80;

// Modem status: changes since the last read in the low half, the lines in the high half.
inline constexpr uint8_t kMsrDeltaCts = 0x01, kMsrDeltaDsr = 0x02, kMsrRingEnded = 0x04,
                         kMsrDeltaDcd = 0x08, kMsrCts = 0x10, kMsrDsr = 0x20, kMsrRing = 0x40,
                         kMsrDcd = 0x80;

}  // namespace qmx2::uart16550
