#include "midi/platform/SynthKeeper.h"

#include "midi/platform/MidiOutPort.h"

#include <algorithm>

namespace {

// Enough for everything a child and a song send while a SoundFont loads; more is dropped.
constexpr size_t MaxHeld = 4096;

// Short messages carry 7-bit data bytes, so they never end with 0xF7.
bool IsFramedSysEx(const uint8_t* data, size_t length)
{
    return length >= 2 && data[0] == 0xF0 && data[length - 1] == 0xF7;
}

bool IsNoteOn(const uint8_t* message, size_t length)
{
    return length == 3 && (message[0] & 0xF0) == 0x90 && message[2] != 0;
}

bool IsNoteOff(const uint8_t* message, size_t length)
{
    return length == 3 && ((message[0] & 0xF0) == 0x80 || ((message[0] & 0xF0) == 0x90 && message[2] == 0));
}

bool EndsChannelNotes(const uint8_t* message, size_t length)
{
    // All Sound Off and All Notes Off.
    return length == 3 && (message[0] & 0xF0) == 0xB0 && (message[1] == 120 || message[1] == 123);
}

// Messages whose last value is all that counts: a note's key, a program, the bend, the pressure.
bool SameSetting(const std::vector<uint8_t>& held, const uint8_t* message, size_t length)
{
    if (held.size() != length || length == 0 || held[0] != message[0])
        return false;
    switch (message[0] & 0xF0) {
    case 0x90: return held[1] == message[1];
    case 0xC0:
    case 0xD0:
    case 0xE0: return true;
    default: return false;
    }
}

bool IsValidShort(uint32_t word) { return (word & 0x80) != 0; }

} // namespace

TSynthKeeper::TSynthKeeper(TSynthEngine& engine, const TTickClock& clock, std::function<void(uint16_t code)> trouble,
                           std::function<void()> wake, TSynthKeeperTiming timing)
    : FEngine(engine), FClock(clock), FTrouble(std::move(trouble)), FWake(std::move(wake)), FTiming(timing),
      FLastMessage(clock.Now())
{
}

void TSynthKeeper::OpenAudio()
{
    if (!FEngine.OpenAudio())
        throw EMidiOutFailure(MidiOutErrNoAudio, "no audio driver opened");
    FLastFrames = FEngine.RenderedFrames().value_or(0);
    FLastProgress = FOpenedAt = FClock.Now();
}

void TSynthKeeper::LoadSoundFont(const std::string& path)
{
    uint16_t failure = MidiOutOk;
    try {
        FEngine.LoadSoundFont(path);
    } catch (const EMidiOutFailure& error) {
        failure = error.Code;
    } catch (const std::bad_alloc&) {
        failure = MidiOutErrNoMemory;
    }
    {
        std::lock_guard guard(FLoadLock);
        for (const auto& message : FHeld) {
            if (IsFramedSysEx(message.data(), message.size()))
                FEngine.SendLong(message.data(), message.size());
            else
                FEngine.SendShort(uint32_t(message[0]) | uint32_t(message[1]) << 8 | uint32_t(message[2]) << 16);
        }
        FHeld.clear();
        FHeld.shrink_to_fit();
        FLoaded = true;
    }
    Sent();
    if (failure != MidiOutOk)
        FTrouble(failure);
}

bool TSynthKeeper::Held(const uint8_t* message, size_t length)
{
    if (FLoaded)
        return false;
    std::lock_guard guard(FLoadLock);
    if (FLoaded)
        return false;
    // A note that ends before the SoundFont is in never sounds; held notes sound when it is.
    if (IsNoteOff(message, length) || EndsChannelNotes(message, length)) {
        std::erase_if(FHeld, [&](const std::vector<uint8_t>& held) {
            return IsNoteOn(held.data(), held.size()) && (held[0] & 0x0F) == (message[0] & 0x0F) &&
                   (held[1] == message[1] || EndsChannelNotes(message, length));
        });
        if (IsNoteOff(message, length))
            return true;
    }
    // A fresh synthesizer is already in the state a System Reset leaves.
    if (length == 3 && message[0] == 0xFF) {
        FHeld.clear();
        return true;
    }
    // Other system messages mean nothing to the synthesizer, nor does key pressure before a note.
    if (((message[0] & 0xF0) == 0xF0 && !IsFramedSysEx(message, length)) || (message[0] & 0xF0) == 0xA0)
        return true;
    std::erase_if(FHeld, [&](const std::vector<uint8_t>& held) { return SameSetting(held, message, length); });
    if (FHeld.size() < MaxHeld)
        FHeld.emplace_back(message, message + length);
    return true;
}

void TSynthKeeper::Sent()
{
    FLastMessage = FClock.Now();
    ++FMessages;
}

uint16_t TSynthKeeper::SendShort(uint32_t word)
{
    if (!IsValidShort(word))
        return MidiOutErrInvalidParam;
    const uint8_t message[3] = {uint8_t(word), uint8_t(word >> 8 & 0x7F), uint8_t(word >> 16 & 0x7F)};
    if (Held(message, 3)) {
        Sent();
        return MidiOutOk;
    }
    const uint16_t result = FEngine.SendShort(word);
    // Counted after the synthesizer has it, so that Park sees either the note or the count.
    Sent();
    if (IsNoteOn(message, 3))
        AskForOutput();
    return result;
}

uint16_t TSynthKeeper::SendLong(const uint8_t* data, size_t length)
{
    if (!IsFramedSysEx(data, length))
        return MidiOutErrInvalidParam;
    const uint16_t result = Held(data, length) ? MidiOutOk : FEngine.SendLong(data, length);
    Sent();
    return result;
}

void TSynthKeeper::AskForOutput()
{
    if (FState != TOutputState::Playing) {
        FWakeWanted = true;
        FWake();
    }
}

void TSynthKeeper::Tend()
{
    const uint32_t now = FClock.Now();
    const bool woken = FWakeWanted.exchange(false);
    switch (FState.load()) {
    case TOutputState::Playing: {
        // While the SoundFont loads the synthesizer is locked: nothing to ask it, nothing to park.
        if (!FLoaded)
            return;
        const auto frames = FEngine.RenderedFrames();
        if (!frames)
            return;
        if (*frames != FLastFrames) {
            FLastFrames = *frames;
            FLastProgress = now;
        } else if (now - FLastProgress >= StallLimit(now)) {
            FEngine.CloseAudio();
            Fail(now);
            return;
        }
        // Zero drop-outs matter more than the last milliseconds of latency.
        if (const uint64_t underruns = FEngine.Underruns(); underruns != FLastUnderruns) {
            FLastUnderruns = underruns;
            if (FEngine.EnlargeBuffers()) {
                FEngine.CloseAudio();
                OpenAgain(now);
                return;
            }
        }
        if (now - FLastMessage >= FTiming.ParkAfterMs)
            Park(now);
        return;
    }
    case TOutputState::Parked:
        if (woken)
            OpenAgain(now);
        return;
    case TOutputState::Failed:
        if ((woken && now - FLastTry >= FTiming.RetryOnNoteMs) || now - FLastTry >= FTiming.RetryEveryMs)
            OpenAgain(now);
        return;
    }
}

uint32_t TSynthKeeper::StallLimit(uint32_t now) const
{
    return now - FOpenedAt < FTiming.FreshStallAfterMs ? FTiming.FreshStallAfterMs : FTiming.StallAfterMs;
}

void TSynthKeeper::Park(uint32_t now)
{
    const uint32_t messages = FMessages;
    if (FEngine.ActiveVoices() != 0)
        return;
    FEngine.CloseAudio();
    FState = TOutputState::Parked;
    // A note that came while parking saw the output still playing and asked for nothing.
    if (FMessages != messages)
        OpenAgain(now);
}

void TSynthKeeper::OpenAgain(uint32_t now)
{
    FLastTry = now;
    if (!FEngine.OpenAudio()) {
        if (FState != TOutputState::Failed)
            Fail(now);
        return;
    }
    FLastFrames = FEngine.RenderedFrames().value_or(0);
    FLastProgress = FOpenedAt = now;
    FState = TOutputState::Playing;
}

void TSynthKeeper::Fail(uint32_t now)
{
    FState = TOutputState::Failed;
    FLastTry = now;
    FTrouble(MidiOutErrNoAudio);
}
