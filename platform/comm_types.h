// The handheld's serial-port records and codes, byte for byte: programs, the device host and the
// driver exchange them as raw buffers through device control requests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmx2::platform {

// Access and share modes of an open.
inline constexpr uint32_t GENERIC_READ = 0x80000000u;
inline constexpr uint32_t GENERIC_WRITE = 0x40000000u;
inline constexpr uint32_t FILE_SHARE_READ = 0x1u;
inline constexpr uint32_t FILE_SHARE_WRITE = 0x2u;

// Errors a driver or the platform leaves as the thread's last error.
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_INVALID_ACCESS = 12;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_OPEN_FAILED = 110;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr uint32_t ERROR_TIMEOUT = 1460;
inline constexpr uint32_t ERROR_DEVICE_REMOVED = 1617;

inline constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;

// Line settings.
struct DCB {
    uint32_t DCBlength;
    uint32_t BaudRate;
    uint32_t fBinary : 1;
    uint32_t fParity : 1;
    uint32_t fOutxCtsFlow : 1;
    uint32_t fOutxDsrFlow : 1;
    uint32_t fDtrControl : 2;
    uint32_t fDsrSensitivity : 1;
    uint32_t fTXContinueOnXoff : 1;
    uint32_t fOutX : 1;
    uint32_t fInX : 1;
    uint32_t fErrorChar : 1;
    uint32_t fNull : 1;
    uint32_t fRtsControl : 2;
    uint32_t fAbortOnError : 1;
    uint32_t fDummy2 : 17;
    uint16_t wReserved;
    uint16_t XonLim;
    uint16_t XoffLim;
    uint8_t ByteSize;
    uint8_t Parity;
    uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    uint16_t wReserved1;
};
static_assert(sizeof(DCB) == 28);
static_assert(offsetof(DCB, BaudRate) == 4);
static_assert(offsetof(DCB, wReserved) == 12);
static_assert(offsetof(DCB, XonLim) == 14);
static_assert(offsetof(DCB, ByteSize) == 18);
static_assert(offsetof(DCB, XonChar) == 21);
static_assert(offsetof(DCB, EvtChar) == 25);
static_assert(offsetof(DCB, wReserved1) == 26);

inline constexpr uint32_t DTR_CONTROL_DISABLE = 0;
inline constexpr uint32_t DTR_CONTROL_ENABLE = 1;
inline constexpr uint32_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_DISABLE = 0;
inline constexpr uint32_t RTS_CONTROL_ENABLE = 1;
inline constexpr uint32_t RTS_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_TOGGLE = 3;
inline constexpr uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
inline constexpr uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;

struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout;
    uint32_t ReadTotalTimeoutMultiplier;
    uint32_t ReadTotalTimeoutConstant;
    uint32_t WriteTotalTimeoutMultiplier;
    uint32_t WriteTotalTimeoutConstant;
};
static_assert(sizeof(COMMTIMEOUTS) == 20);
static_assert(offsetof(COMMTIMEOUTS, WriteTotalTimeoutConstant) == 16);

struct COMSTAT {
    uint32_t fCtsHold : 1;
    uint32_t fDsrHold : 1;
    uint32_t fRlsdHold : 1;
    uint32_t fXoffHold : 1;
    uint32_t fXoffSent : 1;
    uint32_t fEof : 1;
    uint32_t fTxim : 1;
    uint32_t fReserved : 25;
    uint32_t cbInQue;
    uint32_t cbOutQue;
};
static_assert(sizeof(COMSTAT) == 12);
static_assert(offsetof(COMSTAT, cbInQue) == 4);

// What IOCTL_SERIAL_GET_COMMSTATUS returns: the error word, then the COMSTAT.
struct SERIAL_DEV_STATUS {
    uint32_t Errors;
    COMSTAT ComStat;
};
static_assert(sizeof(SERIAL_DEV_STATUS) == 16);

struct COMMPROP {
    uint16_t wPacketLength;
    uint16_t wPacketVersion;
    uint32_t dwServiceMask;
    uint32_t dwReserved1;
    uint32_t dwMaxTxQueue;
    uint32_t dwMaxRxQueue;
    uint32_t dwMaxBaud;
    uint32_t dwProvSubType;
    uint32_t dwProvCapabilities;
    uint32_t dwSettableParams;
    uint32_t dwSettableBaud;
    uint16_t wSettableData;
    uint16_t wSettableStopParity;
    uint32_t dwCurrentTxQueue;
    uint32_t dwCurrentRxQueue;
    uint32_t dwProvSpec1;
    uint32_t dwProvSpec2;
    uint16_t wcProvChar[1];
};
static_assert(sizeof(COMMPROP) == 64);
static_assert(offsetof(COMMPROP, dwMaxBaud) == 20);
static_assert(offsetof(COMMPROP, wSettableData) == 40);
static_assert(offsetof(COMMPROP, dwCurrentTxQueue) == 44);
static_assert(offsetof(COMMPROP, wcProvChar) == 60);

// Event-mask bits.
inline constexpr uint32_t EV_RXCHAR = 0x0001, EV_RXFLAG = 0x0002, EV_TXEMPTY = 0x0004,
                          EV_CTS = 0x0008, EV_DSR = 0x0010, EV_RLSD = 0x0020, EV_BREAK = 0x0040,
                          EV_ERR = 0x0080, EV_RING = 0x0100, EV_POWER = 0x2000;

// Purge flags.
inline constexpr uint32_t PURGE_TXABORT = 0x1, PURGE_RXABORT = 0x2, PURGE_TXCLEAR = 0x4,
                          PURGE_RXCLEAR = 0x8;

// Line-error bits of the status word.
inline constexpr uint32_t CE_RXOVER = 0x1, CE_OVERRUN = 0x2, CE_RXPARITY = 0x4, CE_FRAME = 0x8,
                          CE_BREAK = 0x10, CE_TXFULL = 0x100;

// Modem-status bits.
inline constexpr uint32_t MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80;

// Control codes of the serial device class: 0x001B0000 + 4 x function number.
constexpr uint32_t SerialControlCode(uint32_t function) { return 0x001B0000u + 4u * function; }
inline constexpr uint32_t IOCTL_SERIAL_SET_BREAK_ON = SerialControlCode(1);
inline constexpr uint32_t IOCTL_SERIAL_SET_BREAK_OFF = SerialControlCode(2);
inline constexpr uint32_t IOCTL_SERIAL_SET_DTR = SerialControlCode(3);
inline constexpr uint32_t IOCTL_SERIAL_CLR_DTR = SerialControlCode(4);
inline constexpr uint32_t IOCTL_SERIAL_SET_RTS = SerialControlCode(5);
inline constexpr uint32_t IOCTL_SERIAL_CLR_RTS = SerialControlCode(6);
inline constexpr uint32_t IOCTL_SERIAL_SET_XOFF = SerialControlCode(7);
inline constexpr uint32_t IOCTL_SERIAL_SET_XON = SerialControlCode(8);
inline constexpr uint32_t IOCTL_SERIAL_GET_WAIT_MASK = SerialControlCode(9);
inline constexpr uint32_t IOCTL_SERIAL_SET_WAIT_MASK = SerialControlCode(10);
inline constexpr uint32_t IOCTL_SERIAL_WAIT_ON_MASK = SerialControlCode(11);
inline constexpr uint32_t IOCTL_SERIAL_GET_COMMSTATUS = SerialControlCode(12);
inline constexpr uint32_t IOCTL_SERIAL_GET_MODEMSTATUS = SerialControlCode(13);
inline constexpr uint32_t IOCTL_SERIAL_GET_PROPERTIES = SerialControlCode(14);
inline constexpr uint32_t IOCTL_SERIAL_SET_TIMEOUTS = SerialControlCode(15);
inline constexpr uint32_t IOCTL_SERIAL_GET_TIMEOUTS = SerialControlCode(16);
inline constexpr uint32_t IOCTL_SERIAL_PURGE = SerialControlCode(17);
inline constexpr uint32_t IOCTL_SERIAL_SET_QUEUE_SIZE = SerialControlCode(18);
inline constexpr uint32_t IOCTL_SERIAL_IMMEDIATE_CHAR = SerialControlCode(19);
inline constexpr uint32_t IOCTL_SERIAL_GET_DCB = SerialControlCode(20);
inline constexpr uint32_t IOCTL_SERIAL_SET_DCB = SerialControlCode(21);
inline constexpr uint32_t IOCTL_SERIAL_ENABLE_IR = SerialControlCode(22);
inline constexpr uint32_t IOCTL_SERIAL_DISABLE_IR = SerialControlCode(23);
inline constexpr uint32_t IOCTL_CARD_POWER_UP = SerialControlCode(24);
inline constexpr uint32_t IOCTL_CARD_POWER_DOWN = SerialControlCode(25);
inline constexpr uint32_t IOCTL_CARD_IS_POWERED = SerialControlCode(26);
inline constexpr uint32_t IOCTL_DRIVER_VERSION = SerialControlCode(27);
static_assert(IOCTL_CARD_POWER_UP == 0x001B0060 && IOCTL_DRIVER_VERSION == 0x001B006C);

// Device-change broadcast events.
inline constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;

}  // namespace qmx2::platform
