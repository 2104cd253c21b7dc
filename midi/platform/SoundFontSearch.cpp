#include "midi/platform/SoundFontSearch.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

const std::vector<std::string> SoundFontFolders = {
    "/usr/share/sounds/sf2", "/usr/share/sounds/sf3", "/usr/share/soundfonts", "/usr/local/share/soundfonts"};

std::vector<std::string> FilesWithExtension(const std::vector<std::string>& folders, const std::string& extension)
{
    std::vector<std::string> files;
    for (const auto& folder : folders) {
        std::error_code error;
        std::vector<std::string> found;
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
            if (entry->path().extension() == extension)
                found.push_back(entry->path().string());
        }
        // Folder order first, then names, so that the choice does not depend on the file system.
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

std::string FluidSynthDefaultSoundFont()
{
    struct TSettingsDeleter { void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); } };
    std::unique_ptr<fluid_settings_t, TSettingsDeleter> settings(new_fluid_settings());
    if (!settings)
        return {};
    char* path = nullptr;
    if (fluid_settings_getstr_default(settings.get(), "synth.default-soundfont", &path) != FLUID_OK || !path)
        return {};
    return path;
}

} // namespace

std::vector<std::string> SoundFontCandidates(const std::string& fluidDefault, const std::vector<std::string>& folders)
{
    std::vector<std::string> candidates = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
    if (!fluidDefault.empty())
        candidates.push_back(fluidDefault);
    for (const auto& extension : {".sf2", ".sf3"})
        for (auto& file : FilesWithExtension(folders, extension))
            candidates.push_back(std::move(file));
    std::vector<std::string> unique;
    for (auto& candidate : candidates)
        if (std::find(unique.begin(), unique.end(), candidate) == unique.end())
            unique.push_back(std::move(candidate));
    return unique;
}

std::string FindSoundFont()
{
    if (const char* chosen = std::getenv("TINKLA_SOUNDFONT"); chosen && *chosen)
        return fluid_is_soundfont(chosen) ? chosen : "";
    for (const auto& candidate : SoundFontCandidates(FluidSynthDefaultSoundFont(), SoundFontFolders)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error) && fluid_is_soundfont(candidate.c_str()))
            return candidate;
    }
    return {};
}
