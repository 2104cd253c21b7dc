#include "midi/platform/FluidSynthDevice.h"

#include "midi/platform/FluidSynth.h"
#include "midi/platform/SoundFontSearch.h"
#include "midi/platform/SynthKeeper.h"

#include <fluidsynth.h>

#include <condition_variable>
#include <system_error>
#include <thread>

namespace {

// The open synthesizer: its audio output starts at once, the SoundFont loads on a thread of
// its own, and a keeper thread parks, watches and reopens the output.
class TFluidSynthPort : public TMidiOutPort {
public:
    TFluidSynthPort(const std::string& soundFont, std::vector<TAudioOutput> plan,
                    std::shared_ptr<std::atomic<bool>> inUse)
        : FInUse(std::move(inUse)), FSynth(std::move(plan)),
          FKeeper(FSynth, SystemTickClock(), [this](uint16_t code) { Report(code); }, [this] { Wake(); })
    {
        FKeeper.OpenAudio();
        try {
            FLoader = std::thread([this, soundFont] { FKeeper.LoadSoundFont(soundFont); });
            FTender = std::thread([this] { TendUntilClosed(); });
        } catch (const std::system_error& error) {
            if (FLoader.joinable())
                FLoader.join();
            throw EMidiOutFailure(MidiOutErrSynthesizer, std::string("cannot start a thread: ") + error.what());
        }
    }

    ~TFluidSynthPort() override
    {
        {
            std::lock_guard guard(FLock);
            FClosing = true;
        }
        FWakeUp.notify_one();
        FTender.join();
        // A load cannot be cut short; closing during it waits for its end.
        FLoader.join();
        // The sound card is free again before the next open may take it.
        FSynth.CloseAudio();
        *FInUse = false;
    }

    uint16_t SendShort(uint32_t word) override { return FKeeper.SendShort(word); }
    uint16_t SendLong(const uint8_t* data, size_t length) override { return FKeeper.SendLong(data, length); }

    void OnTrouble(std::function<void(uint16_t code)> report) override
    {
        std::vector<uint16_t> earlier;
        {
            std::lock_guard guard(FLock);
            FReport = std::move(report);
            earlier.swap(FUnreported);
        }
        for (const uint16_t code : earlier)
            Report(code);
    }

private:
    void Report(uint16_t code)
    {
        std::unique_lock guard(FLock);
        if (!FReport) {
            FUnreported.push_back(code);
            return;
        }
        const auto report = FReport;
        guard.unlock();
        try {
            report(code);
        } catch (const std::exception&) {
            // The owning thread's loop refused the notice (it is shutting down): nobody to tell.
        }
    }

    void Wake()
    {
        {
            std::lock_guard guard(FLock);
            FWakeWanted = true;
        }
        FWakeUp.notify_one();
    }

    void TendUntilClosed()
    {
        std::unique_lock guard(FLock);
        while (!FClosing) {
            FWakeUp.wait_for(guard, std::chrono::milliseconds(FKeeper.TendEveryMs()),
                             [this] { return FClosing || FWakeWanted; });
            FWakeWanted = false;
            guard.unlock();
            FKeeper.Tend();
            guard.lock();
        }
    }

    std::shared_ptr<std::atomic<bool>> FInUse;
    TFluidSynth FSynth;
    TSynthKeeper FKeeper;
    std::mutex FLock;
    std::condition_variable FWakeUp;
    bool FClosing = false;
    bool FWakeWanted = false;
    std::function<void(uint16_t)> FReport;
    std::vector<uint16_t> FUnreported;
    std::thread FLoader;
    std::thread FTender;
};

} // namespace

TMidiOutCaps TFluidSynthDevice::Caps() const
{
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    TMidiOutCaps caps;
    caps.ProductName = BuiltInSynthName;
    caps.DriverVersion = uint32_t(major) << 8 | uint32_t(minor);
    caps.Technology = MidiOutTechSoftwareSynth;
    caps.Voices = 128;
    caps.Notes = 128;
    caps.ChannelMask = 0xFFFF;
    caps.Support = 0;
    return caps;
}

std::unique_ptr<TMidiOutPort> TFluidSynthDevice::Open()
{
    if (FInUse->exchange(true))
        throw EMidiOutFailure(MidiOutErrAllocated, "the built-in synthesizer is already open");
    try {
        // Finding the file is quick; loading it is not, and happens behind the open.
        const std::string soundFont = FindSoundFont();
        if (soundFont.empty())
            throw EMidiOutFailure(MidiOutErrNoSoundFont, "no SoundFont");
        return std::make_unique<TFluidSynthPort>(soundFont, AudioOutputPlanFromEnvironment(), FInUse);
    } catch (...) {
        *FInUse = false;
        throw;
    }
}
