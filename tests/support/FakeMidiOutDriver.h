// A scriptable MIDI output for tests: lists named devices, records every short word and long
// message it is sent, and can be told to refuse opening, closing or sending with a given code.
// Every member is safe to call from several threads at once.
#pragma once

#include "midi/platform/MidiOutDriver.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TFakeMidiOutDriver : public TMidiOutDriver {
public:
    TFakeMidiOutDriver() = default;
    // Devices 0..n-1 named as given; the mapper is named after device 0 when there is one.
    explicit TFakeMidiOutDriver(const std::vector<std::string>& names)
    {
        for (const auto& name : names)
            AddDevice(name);
        if (!names.empty())
            SetMapper("Fake MIDI Mapper");
    }

    // --- Scripting -------------------------------------------------------------------------
    void AddDevice(const std::string& name)
    {
        std::lock_guard guard(FLock);
        TMidiOutCaps caps;
        caps.ProductName = name;
        caps.DriverVersion = 0x0100;
        caps.Technology = MidiOutTechPort;
        caps.Voices = 0;
        caps.Notes = 0;
        caps.ChannelMask = 0xFFFF;
        caps.Support = 0;
        FDevices.push_back(caps);
    }
    void SetDeviceCaps(int id, const TMidiOutCaps& caps)
    {
        std::lock_guard guard(FLock);
        if (id == MidiMapper)
            FMapper = caps;
        else
            FDevices.at(size_t(id)) = caps;
    }
    void SetMapper(const std::string& name)
    {
        std::lock_guard guard(FLock);
        TMidiOutCaps caps;
        caps.ProductName = name;
        caps.ChannelMask = 0xFFFF;
        FMapper = caps;
    }
    void RemoveLastDevice() { std::lock_guard guard(FLock); FDevices.pop_back(); }
    // Reading the capabilities of `id` fails with `code` (0 to stop failing).
    void FailCaps(int id, uint16_t code) { std::lock_guard guard(FLock); FCapsFailures[id] = code; }
    void RefuseOpen(uint16_t code) { std::lock_guard guard(FLock); FOpenResult = code; }
    void RefuseClose(uint16_t code) { std::lock_guard guard(FLock); FCloseResult = code; }
    void RefuseSends(uint16_t code) { std::lock_guard guard(FLock); FSendResult = code; }
    void RefusePrepare(uint16_t code) { std::lock_guard guard(FLock); FPrepareResult = code; }
    // Held long messages stay in flight until CompleteHeld (or Close) finishes them.
    void HoldCompletions(bool hold) { std::lock_guard guard(FLock); FHold = hold; }
    void SetErrorText(uint16_t code, const std::string& text) { std::lock_guard guard(FLock); FTexts[code] = text; }

    // Runs the done callback of every held long message, oldest first; returns how many.
    int CompleteHeld()
    {
        std::vector<TInFlight> held;
        {
            std::lock_guard guard(FLock);
            held.swap(FInFlight);
        }
        for (const auto& message : held)
            message.Done(message.Instance, message.Header);
        return int(held.size());
    }

    // --- Observation -----------------------------------------------------------------------
    std::vector<uint32_t> Shorts() const { std::lock_guard guard(FLock); return FShorts; }
    std::vector<std::vector<uint8_t>> Longs() const { std::lock_guard guard(FLock); return FLongs; }
    // The bytes of the long messages still in flight, read from their headers now.
    std::vector<std::vector<uint8_t>> InFlight() const
    {
        std::lock_guard guard(FLock);
        std::vector<std::vector<uint8_t>> bytes;
        for (const auto& message : FInFlight)
            bytes.push_back(message.Header->Data);
        return bytes;
    }
    int OpenCount() const { std::lock_guard guard(FLock); return FOpenCount; }
    int PreparedCount() const { std::lock_guard guard(FLock); return FPrepared; }
    bool AnyOpen() const { std::lock_guard guard(FLock); return !FOpen.empty(); }
    int LastOpenedId() const { std::lock_guard guard(FLock); return FLastOpenedId; }
    void* LastInstance() const { std::lock_guard guard(FLock); return FLastInstance; }
    void ClearRecords() { std::lock_guard guard(FLock); FShorts.clear(); FLongs.clear(); }

    // --- The facade ------------------------------------------------------------------------
    unsigned DeviceCount() override { std::lock_guard guard(FLock); return unsigned(FDevices.size()); }

    uint16_t GetDevCaps(int id, TMidiOutCaps& caps) override
    {
        std::lock_guard guard(FLock);
        if (auto failure = FCapsFailures.find(id); failure != FCapsFailures.end() && failure->second)
            return failure->second;
        if (id == MidiMapper) {
            if (!FMapper)
                return MidiOutErrBadDeviceId;
            caps = *FMapper;
            return MidiOutOk;
        }
        if (id < 0 || size_t(id) >= FDevices.size())
            return MidiOutErrBadDeviceId;
        caps = FDevices[size_t(id)];
        return MidiOutOk;
    }

    uint16_t Open(TMidiOutHandle& handle, int id, TMidiOutDoneCallback done, void* instance) override
    {
        std::lock_guard guard(FLock);
        if (FOpenResult)
            return FOpenResult;
        if (id == MidiMapper ? !FMapper : (id < 0 || size_t(id) >= FDevices.size()))
            return MidiOutErrBadDeviceId;
        handle = ++FNextHandle;
        FOpen[handle] = {done, instance};
        ++FOpenCount;
        FLastOpenedId = id;
        FLastInstance = instance;
        return MidiOutOk;
    }

    uint16_t Close(TMidiOutHandle handle) override
    {
        {
            std::lock_guard guard(FLock);
            if (FCloseResult)
                return FCloseResult;
            if (!FOpen.count(handle))
                return MidiOutErrInvalidHandle;
        }
        CompleteHeld();
        std::lock_guard guard(FLock);
        FOpen.erase(handle);
        return MidiOutOk;
    }

    uint16_t ShortMsg(TMidiOutHandle handle, uint32_t word) override
    {
        std::lock_guard guard(FLock);
        if (!FOpen.count(handle))
            return MidiOutErrInvalidHandle;
        if (FSendResult)
            return FSendResult;
        FShorts.push_back(word);
        return MidiOutOk;
    }

    uint16_t PrepareHeader(TMidiOutHandle handle, TMidiLongHeader& header) override
    {
        std::lock_guard guard(FLock);
        if (!FOpen.count(handle))
            return MidiOutErrInvalidHandle;
        if (FPrepareResult)
            return FPrepareResult;
        header.Prepared = true;
        ++FPrepared;
        return MidiOutOk;
    }

    uint16_t UnprepareHeader(TMidiOutHandle, TMidiLongHeader& header) override
    {
        std::lock_guard guard(FLock);
        if (!header.Prepared)
            return MidiOutErrUnprepared;
        header.Prepared = false;
        --FPrepared;
        return MidiOutOk;
    }

    uint16_t LongMsg(TMidiOutHandle handle, TMidiLongHeader& header) override
    {
        TInFlight message;
        {
            std::lock_guard guard(FLock);
            auto open = FOpen.find(handle);
            if (open == FOpen.end())
                return MidiOutErrInvalidHandle;
            if (!header.Prepared)
                return MidiOutErrUnprepared;
            if (FSendResult)
                return FSendResult;
            FLongs.push_back(header.Data);
            message = {open->second.first, open->second.second, &header};
            if (FHold) {
                FInFlight.push_back(message);
                return MidiOutOk;
            }
        }
        message.Done(message.Instance, message.Header);
        return MidiOutOk;
    }

    uint16_t GetErrorText(uint16_t code, std::string& text) override
    {
        std::lock_guard guard(FLock);
        if (auto custom = FTexts.find(code); custom != FTexts.end()) {
            text = custom->second;
            return MidiOutOk;
        }
        return StandardMidiOutErrorText(code, text) ? MidiOutOk : MidiOutErrBadDeviceId;
    }

private:
    struct TInFlight {
        TMidiOutDoneCallback Done = nullptr;
        void* Instance = nullptr;
        TMidiLongHeader* Header = nullptr;
    };

    mutable std::mutex FLock;
    std::vector<TMidiOutCaps> FDevices;
    std::optional<TMidiOutCaps> FMapper;
    std::map<int, uint16_t> FCapsFailures;
    std::map<uint16_t, std::string> FTexts;
    std::map<TMidiOutHandle, std::pair<TMidiOutDoneCallback, void*>> FOpen;
    std::vector<TInFlight> FInFlight;
    std::vector<uint32_t> FShorts;
    std::vector<std::vector<uint8_t>> FLongs;
    uint16_t FOpenResult = 0, FCloseResult = 0, FSendResult = 0, FPrepareResult = 0;
    bool FHold = false;
    TMidiOutHandle FNextHandle = 0;
    int FOpenCount = 0, FPrepared = 0, FLastOpenedId = 0;
    void* FLastInstance = nullptr;
};
