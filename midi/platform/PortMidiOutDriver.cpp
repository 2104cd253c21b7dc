#include "midi/platform/PortMidiOutDriver.h"

TPortMidiOutDriver::TPortMidiOutDriver(TMidiOutDeviceLister lister) : FLister(std::move(lister)) {}

unsigned TPortMidiOutDriver::DeviceCount()
{
    std::lock_guard guard(FListLock);
    FDevices = FLister();
    FListed = true;
    return unsigned(FDevices.size());
}

std::shared_ptr<TMidiOutDevice> TPortMidiOutDriver::Device(int id)
{
    std::lock_guard guard(FListLock);
    if (!FListed) {
        FDevices = FLister();
        FListed = true;
    }
    if (id == MidiMapper)
        id = 0;
    if (id < 0 || size_t(id) >= FDevices.size())
        return nullptr;
    return FDevices[size_t(id)];
}

uint16_t TPortMidiOutDriver::GetDevCaps(int id, TMidiOutCaps& caps)
{
    const auto device = Device(id);
    if (!device)
        return MidiOutErrBadDeviceId;
    caps = device->Caps();
    return MidiOutOk;
}

uint16_t TPortMidiOutDriver::Open(TMidiOutHandle& handle, int id, TMidiOutDoneCallback done, void* instance)
{
    const auto device = Device(id);
    if (!device)
        return MidiOutErrBadDeviceId;
    std::unique_ptr<TMidiOutPort> port;
    try {
        port = device->Open();
    } catch (const EMidiOutFailure& failure) {
        return failure.Code;
    } catch (const std::bad_alloc&) {
        return MidiOutErrNoMemory;
    }
    std::unique_lock guard(FPortsLock);
    handle = ++FNextHandle;
    FPorts[handle] = {std::move(port), done, instance};
    return MidiOutOk;
}

void TPortMidiOutDriver::WatchTrouble(TMidiOutHandle handle, TMidiOutTroubleCallback trouble, void* instance)
{
    std::shared_lock guard(FPortsLock);
    if (const TOpenPort* open = Find(handle))
        open->Port->OnTrouble([trouble, instance](uint16_t code) { trouble(instance, code); });
}

uint16_t TPortMidiOutDriver::Close(TMidiOutHandle handle)
{
    std::shared_ptr<TMidiOutPort> port;
    {
        std::unique_lock guard(FPortsLock);
        auto open = FPorts.find(handle);
        if (open == FPorts.end())
            return MidiOutErrInvalidHandle;
        port = std::move(open->second.Port);
        FPorts.erase(open);
    }
    // Released outside the lock: stopping an audio driver takes a while.
    port.reset();
    return MidiOutOk;
}

const TPortMidiOutDriver::TOpenPort* TPortMidiOutDriver::Find(TMidiOutHandle handle) const
{
    auto open = FPorts.find(handle);
    return open == FPorts.end() ? nullptr : &open->second;
}

uint16_t TPortMidiOutDriver::ShortMsg(TMidiOutHandle handle, uint32_t word)
{
    std::shared_lock guard(FPortsLock);
    const TOpenPort* open = Find(handle);
    return open ? open->Port->SendShort(word) : MidiOutErrInvalidHandle;
}

uint16_t TPortMidiOutDriver::PrepareHeader(TMidiOutHandle handle, TMidiLongHeader& header)
{
    std::shared_lock guard(FPortsLock);
    if (!Find(handle))
        return MidiOutErrInvalidHandle;
    if (header.Data.empty())
        return MidiOutErrInvalidParam;
    header.Prepared = true;
    return MidiOutOk;
}

uint16_t TPortMidiOutDriver::UnprepareHeader(TMidiOutHandle, TMidiLongHeader& header)
{
    if (!header.Prepared)
        return MidiOutErrUnprepared;
    header.Prepared = false;
    return MidiOutOk;
}

uint16_t TPortMidiOutDriver::LongMsg(TMidiOutHandle handle, TMidiLongHeader& header)
{
    std::shared_lock guard(FPortsLock);
    const TOpenPort* open = Find(handle);
    if (!open)
        return MidiOutErrInvalidHandle;
    if (!header.Prepared)
        return MidiOutErrUnprepared;
    const uint16_t result = open->Port->SendLong(header.Data.data(), header.Data.size());
    if (result == MidiOutOk && open->Done)
        open->Done(open->Instance, &header);
    return result;
}

uint16_t TPortMidiOutDriver::GetErrorText(uint16_t code, std::string& text)
{
    return StandardMidiOutErrorText(code, text) ? MidiOutOk : MidiOutErrBadDeviceId;
}
