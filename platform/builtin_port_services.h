// Kernel services the built-in serial ports' driver layer needs: physical ranges mapped
// uncached onto the bus (DMA memory as plain memory, registers as 16-bit accesses), the raising
// of interrupt events, the platform's notification events, the window manager's readiness and
// the debug output.
#pragma once

#include <cstdint>

namespace qmx2::platform {

class Event;

class BuiltinPortServices {
public:
    virtual ~BuiltinPortServices() = default;
    // Memory behind a physical range, mapped uncached; null when nothing is there.
    virtual uint8_t* MapMemory(uint32_t phys, uint32_t size) = 0;
    virtual void UnmapMemory(uint8_t* memory, uint32_t size) = 0;
    // 16-bit register accesses by physical address; false when nothing answers.
    virtual bool ReadRegister16(uint32_t phys, uint16_t* value) = 0;
    virtual bool WriteRegister16(uint32_t phys, uint16_t value) = 0;
    // The interrupt controller: an identifier bound to an event, which is set while the
    // interrupt line is up; Done says the routine has run; Disable unbinds.
    virtual bool InterruptInitialize(uint32_t interrupt_id, Event* event) = 0;
    virtual void InterruptDone(uint32_t interrupt_id) = 0;
    virtual void InterruptDisable(uint32_t interrupt_id) = 0;
    // Signals the interrupt events bound to these identifiers, as if each had interrupted.
    virtual void RaiseInterruptEvents(const uint32_t* interrupt_ids, uint32_t count) = 0;
    // A notification event of the platform (NOTIFICATION_EVENT_* of run_at_event.h).
    virtual void SetNotificationEvent(uint32_t event) = 0;
    // The window manager is up (notifications start programs only then).
    virtual bool WindowManagerReady() = 0;
    // One line of debug output, as the driver wrote it.
    virtual void DebugOutput(const char* line) = 0;
};

}  // namespace qmx2::platform
