// The facade over a list of devices: numbers them 0..n-1 (device 0 doubling as the mapper),
// hands out handles for open ports and routes messages to them.
//
// Threads: every call from any thread. The device list has a lock of its own; the table of open
// ports is read under a shared lock by the sends (so several threads send at once) and changed
// under an exclusive one by Open and Close.
#pragma once

#include "midi/platform/MidiOutDriver.h"
#include "midi/platform/MidiOutPort.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

using TMidiOutDeviceLister = std::function<std::vector<std::shared_ptr<TMidiOutDevice>>()>;

class TPortMidiOutDriver : public TMidiOutDriver {
public:
    // `lister` is asked afresh at every DeviceCount (and once before first use).
    explicit TPortMidiOutDriver(TMidiOutDeviceLister lister);

    unsigned DeviceCount() override;
    uint16_t GetDevCaps(int id, TMidiOutCaps& caps) override;
    uint16_t Open(TMidiOutHandle& handle, int id, TMidiOutDoneCallback done, void* instance) override;
    void WatchTrouble(TMidiOutHandle handle, TMidiOutTroubleCallback trouble, void* instance) override;
    uint16_t Close(TMidiOutHandle handle) override;
    uint16_t ShortMsg(TMidiOutHandle handle, uint32_t word) override;
    uint16_t PrepareHeader(TMidiOutHandle handle, TMidiLongHeader& header) override;
    uint16_t UnprepareHeader(TMidiOutHandle handle, TMidiLongHeader& header) override;
    // The ports send synchronously, so the done callback runs before LongMsg returns.
    uint16_t LongMsg(TMidiOutHandle handle, TMidiLongHeader& header) override;
    uint16_t GetErrorText(uint16_t code, std::string& text) override;

private:
    struct TOpenPort {
        std::shared_ptr<TMidiOutPort> Port;
        TMidiOutDoneCallback Done = nullptr;
        void* Instance = nullptr;
    };

    std::shared_ptr<TMidiOutDevice> Device(int id);
    const TOpenPort* Find(TMidiOutHandle handle) const;

    TMidiOutDeviceLister FLister;
    std::mutex FListLock;
    bool FListed = false;
    std::vector<std::shared_ptr<TMidiOutDevice>> FDevices;
    // Sends share it; Open and Close take it alone, so a port never closes under a send.
    std::shared_mutex FPortsLock;
    std::map<TMidiOutHandle, TOpenPort> FPorts;
    TMidiOutHandle FNextHandle = 0;
};
