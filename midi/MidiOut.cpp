#include "midi/MidiOut.h"

#include "midi/platform/MidiTrace.h"

#include <cstdlib>

// The instance data the driver's callback reads: where to post, and whom the notice is for.
struct TMidiOutput::TCallbackBlock {
    TNotifyPoster* Poster;
    std::weak_ptr<TMidiOutput*> Owner;
};

TMidiOutput::TMidiOutput(TMidiOutDriver& driver, TNotifyPoster& poster)
    : FDriver(driver), FPoster(poster), FAlive(std::make_shared<TMidiOutput*>(this)),
      FDeviceCount(uint16_t(driver.DeviceCount())), FTrace(TMidiTrace::FromEnvironment())
{
}

TMidiOutput::~TMidiOutput()
{
    try {
        if (IsOpen())
            Close();
    } catch (const EmidioutputError&) {
        // A destructor cannot report; the driver keeps its handle until the process ends.
    }
    FAlive.reset();
}

void TMidiOutput::Check(uint16_t result)
{
    FLastError = result;
    if (result != MidiOutOk)
        throw EmidioutputError(ErrorText(result));
}

void TMidiOutput::SetDeviceID(int id)
{
    if (IsOpen())
        throw EmidioutputError("Change to DeviceID while device was open");
    const unsigned count = FDriver.DeviceCount();
    if (id != MidiMapper && (id < 0 || unsigned(id) >= count))
        throw EmidioutputError("Invalid device ID");
    FDeviceID = id;
    TMidiOutCaps caps;
    Check(FDriver.GetDevCaps(id, caps));
    FCaps = caps;
    FProductName = caps.ProductName;
}

void TMidiOutput::SetProductName(const std::string& name)
{
    if (IsOpen())
        throw EmidioutputError("Change to ProductName while device was open");
    const int count = int(FDriver.DeviceCount());
    int id = MidiMapper;
    for (; id < count; ++id) {
        TMidiOutCaps caps;
        Check(FDriver.GetDevCaps(id, caps));
        if (caps.ProductName == name) {
            FProductName = name;
            break;
        }
    }
    if (FProductName != name)
        throw EmidioutputError("MIDI output Device " + name + " not installed");
    SetDeviceID(id);
}

bool TMidiOutput::Open()
{
    // Opening again would lose the open handle and free the callback block the driver still
    // reads; the device stays open as it is instead.
    if (IsOpen()) {
        FLastError = MidiOutErrAllocated;
        return false;
    }
    if (!FCallbackBlock)
        FCallbackBlock = std::make_unique<TCallbackBlock>();
    FCallbackBlock->Poster = &FPoster;
    FCallbackBlock->Owner = FAlive;
    TMidiOutHandle handle = 0;
    const uint16_t result = FDriver.Open(handle, FDeviceID, &OutputDriverCallback, FCallbackBlock.get());
    FLastError = result;
    if (result != MidiOutOk || handle == 0) {
        FCallbackBlock.reset();
        return false;
    }
    FHandle = handle;
    FDriver.WatchTrouble(handle, &OutputTroubleCallback, FCallbackBlock.get());
    return true;
}

bool TMidiOutput::Close()
{
    const TMidiOutHandle handle = FHandle;
    if (handle == 0)
        return false;
    Check(FDriver.Close(handle));
    FHandle = 0;
    return true;
}

void TMidiOutput::SendWord(uint32_t word)
{
    Check(FDriver.ShortMsg(FHandle, word));
    if (FTrace)
        FTrace->WriteShort(word);
}

void TMidiOutput::SendShort(uint8_t status, uint8_t data1, uint8_t data2)
{
    const uint32_t word = PackShortMessage(status, data1, data2);
    TMidiEvent event;
    event.status = status;
    event.data1 = data1;
    event.data2 = data2;
    if (OnMidiShortOutput)
        OnMidiShortOutput(&event);
    SendWord(word);
}

void TMidiOutput::SendMidiEvent(PMidiEvent event)
{
    const uint32_t word = PackShortMessage(event->status, event->data1, event->data2);
    if (OnMidiShortOutput)
        OnMidiShortOutput(event);
    SendWord(word);
}

void TMidiOutput::SendLong(const uint8_t* data, uint16_t length)
{
    if (length == 0 || data == nullptr)
        Check(MidiOutErrInvalidParam);
    auto header = std::make_unique<TMidiLongHeader>();
    header->Data.assign(data, data + length);
    header->User = this;
    const TMidiOutHandle handle = FHandle;
    Check(FDriver.PrepareHeader(handle, *header));
    const uint16_t result = FDriver.LongMsg(handle, *header);
    if (result != MidiOutOk)
        FDriver.UnprepareHeader(handle, *header);
    Check(result);
    // From here the driver holds the header until its done callback hands it back.
    header.release();
    if (FTrace)
        FTrace->WriteLong(data, length);
}

void TMidiOutput::SendEvent(const TOutputEvent& event)
{
    if (!IsOpen())
        throw EmidioutputError("MIDI Output device not open");
    if (event.sysex == nullptr)
        SendShort(event.status, event.data1, event.data2);
    else
        SendLong(event.sysex, event.sysexLength);
}

std::string TMidiOutput::ErrorText(uint16_t code) const
{
    std::string text;
    if (FDriver.GetErrorText(code, text) != MidiOutOk)
        return "Specified error number is out of range";
    return text;
}

void TMidiOutput::OutputDriverCallback(void* instance, TMidiLongHeader* header)
{
    const auto* block = static_cast<const TCallbackBlock*>(instance);
    block->Poster->Post([owner = block->Owner, header = std::shared_ptr<TMidiLongHeader>(header)]() mutable {
        if (auto alive = owner.lock())
            (*alive)->LongDone(header);
        header.reset();
    });
}

void TMidiOutput::OutputTroubleCallback(void* instance, uint16_t code)
{
    const auto* block = static_cast<const TCallbackBlock*>(instance);
    block->Poster->Post([owner = block->Owner, code] {
        if (auto alive = owner.lock(); alive && (*alive)->OnDeviceTrouble)
            (*alive)->OnDeviceTrouble(*alive, code);
    });
}

void TMidiOutput::LongDone(std::shared_ptr<TMidiLongHeader>& header)
{
    FDriver.UnprepareHeader(FHandle, *header);
    header.reset();
    if (Onmidioutput)
        Onmidioutput(this);
}

void SelectStartupDevice(TMidiOutput& output)
{
    const char* name = std::getenv("TINKLA_MIDI_OUT");
    if (name && *name)
        output.SetProductName(name);
    else
        output.SetDeviceID(0);
}
