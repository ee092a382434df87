// The platform's PC Card services as a driver binds them by name from "libpcmcia.so", and the
// kernel services a loaded driver finds in its host process.
//
// Why the kernel services are a symbol of the host process: on the handheld a driver never gets
// its kernel handed in; it calls the kernel that loaded it. Here the host (the device manager
// qmx2-device, or a test) links the PC Card services library, publishes its Platform there with
// Qmx2SetKernelPlatform before it loads the driver, and the driver looks the kernel up with
// FindLoadedSymbol("Qmx2Kernel"). So the driver exports nothing beyond its stream entry points.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmx2::platform {

struct Platform;
class BuiltinPortServices;

using CARD_CLIENT_HANDLE = uintptr_t;  // 0: none
using CARD_WINDOW_HANDLE = uintptr_t;  // 0: none
using CARD_SOCKET_HANDLE = uint16_t;   // socket number in the low byte, function in the high
using CARD_STATUS_CODE = uint32_t;
inline constexpr CARD_STATUS_CODE CERR_SUCCESS = 0;
inline constexpr CARD_STATUS_CODE CERR_BAD_HANDLE = 0x21;
inline constexpr CARD_STATUS_CODE CERR_BAD_ARGS = 0x1C;
inline constexpr CARD_STATUS_CODE CERR_NO_CARD = 0x14;
inline constexpr CARD_STATUS_CODE CERR_OUT_OF_RESOURCE = 0x20;
inline constexpr CARD_STATUS_CODE CERR_NO_MORE_ITEMS = 0x1F;

inline constexpr uint32_t CE_CARD_INSERTION = 0x40;
inline constexpr uint32_t CE_CARD_REMOVAL = 5;
inline constexpr uint8_t CISTPL_CONFIG = 0x1A;
inline constexpr uint8_t CISTPL_CFTABLE_ENTRY = 0x1B;

struct CARD_REGISTER_PARMS {
    uint16_t fAttributes;
    uint16_t fEventMask;
    uintptr_t uClientData;
};

struct CARD_WINDOW_PARMS {
    CARD_SOCKET_HANDLE hSocket;
    uint16_t fAttributes;  // 1: I/O space
    uint32_t uWindowSize;
    uint8_t fAccessSpeed;
};

struct CARD_CONFIG_INFO {
    CARD_SOCKET_HANDLE hSocket;
    uint16_t fAttributes;
    uint8_t fInterfaceType;  // 2: memory and I/O
    uint8_t uVcc;            // tenths of a volt
    uint8_t uVpp1;
    uint8_t uVpp2;
    uint8_t fRegisters;  // 1: option register, 2: status register
    uint8_t uConfigReg;
    uint8_t uStatusReg;
    uint8_t uPinReg;
    uint8_t uCopyReg;
    uint8_t uExtendedStatus;
};

struct CARD_STATUS {
    CARD_SOCKET_HANDLE hSocket;
    uint16_t fCardState;  // 1: card present
    uint16_t fSocketState;
};

struct CARD_TUPLE_PARMS {
    CARD_SOCKET_HANDLE hSocket;
    uint8_t uDesiredTuple;  // 0xFF: any
    uint8_t uTupleCode;     // out
    uint8_t uTupleLink;     // out
    uint32_t uCisOffset;    // position of the current tuple, kept between calls
};

struct CARD_DATA_PARMS {
    CARD_TUPLE_PARMS tuple;
    uint32_t uBufLen;
    uint32_t uDataLen;  // out
    uint8_t* pData;
};

struct CARD_EVENT_MASK_PARMS {
    CARD_SOCKET_HANDLE hSocket;
    uint16_t fAttributes;
    uint16_t fEventMask;
};

// One configuration-table entry as CardGetParsedTuple gives it.
struct PARSED_CFTABLE {
    uint8_t ConfigIndex;
    uint8_t NumIOEntries;
    uint8_t IOAccess;  // the I/O descriptor byte as the card gave it
    uint8_t Reserved;
    uint32_t IOBase[4];
    uint32_t IOLength[4];
};
static_assert(sizeof(PARSED_CFTABLE) == 36);

using CARD_CLIENT_CALLBACK = uint32_t (*)(uint32_t event, CARD_SOCKET_HANDLE socket,
                                          CARD_REGISTER_PARMS* info);
// Called on every card interrupt with the argument given to CardRequestIRQ.
using CARD_ISR = void (*)(uintptr_t argument);

using PfnCardRegisterClient = CARD_CLIENT_HANDLE (*)(CARD_CLIENT_CALLBACK, CARD_REGISTER_PARMS*);
using PfnCardDeregisterClient = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE);
using PfnCardGetFirstTuple = CARD_STATUS_CODE (*)(CARD_TUPLE_PARMS*);
using PfnCardGetNextTuple = CARD_STATUS_CODE (*)(CARD_TUPLE_PARMS*);
using PfnCardGetTupleData = CARD_STATUS_CODE (*)(CARD_DATA_PARMS*);
using PfnCardGetParsedTuple = CARD_STATUS_CODE (*)(CARD_SOCKET_HANDLE, uint8_t code, void* buffer,
                                                   uint32_t* count);
using PfnCardRequestExclusive = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
using PfnCardReleaseExclusive = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
using PfnCardRequestSocketMask = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE,
                                                      uint16_t mask);
using PfnCardReleaseSocketMask = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
using PfnCardGetEventMask = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_EVENT_MASK_PARMS*);
using PfnCardSetEventMask = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_EVENT_MASK_PARMS*);
using PfnCardResetFunction = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
using PfnCardRequestWindow = CARD_WINDOW_HANDLE (*)(CARD_CLIENT_HANDLE, CARD_WINDOW_PARMS*);
using PfnCardReleaseWindow = CARD_STATUS_CODE (*)(CARD_WINDOW_HANDLE);
using PfnCardModifyWindow = CARD_STATUS_CODE (*)(CARD_WINDOW_HANDLE, uint16_t attributes,
                                                 uint8_t speed);
using PfnCardMapWindow = uintptr_t (*)(CARD_WINDOW_HANDLE, uint32_t base, uint32_t length,
                                       uint32_t* granularity);
using PfnCardGetStatus = CARD_STATUS_CODE (*)(CARD_STATUS*);
using PfnCardRequestIRQ = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE, CARD_ISR,
                                               uintptr_t argument);
using PfnCardReleaseIRQ = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
using PfnCardRequestConfiguration = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_CONFIG_INFO*);
using PfnCardReleaseConfiguration = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE);
using PfnCardAccessConfigurationRegister = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE,
                                                                CARD_SOCKET_HANDLE, uint8_t rw,
                                                                uint32_t offset, uint8_t* value);
using PfnCardSystemPower = CARD_STATUS_CODE (*)(CARD_CLIENT_HANDLE, CARD_SOCKET_HANDLE,
                                                uint8_t on);

// What the host's kernel offers a loaded driver.
struct KernelServices {
    Platform* platform;
    // The I/O bus: false when nothing answers at the address (a pulled card, an unmapped
    // window), which a real bus reports as an access violation.
    bool (*read_register8)(uintptr_t address, uint8_t* value);
    bool (*write_register8)(uintptr_t address, uint8_t value);
    // Starts a program with default everything; false if it cannot.
    bool (*create_process)(const char16_t* image, const char16_t* command_line);
    // The thread's last error as the host keeps it, which the driver's calls report into.
    uint32_t (*get_last_error)();
    void (*set_last_error)(uint32_t error);
    // The built-in serial ports' bus and events; null on a host without them.
    BuiltinPortServices* builtin_ports;
};
using PfnQmx2Kernel = const KernelServices* (*)();
inline constexpr const char kKernelSymbol[] = "Qmx2Kernel";
inline constexpr const char kCardServicesLibrary[] = "libpcmcia.so";

}  // namespace qmx2::platform
