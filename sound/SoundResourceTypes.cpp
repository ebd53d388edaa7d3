#include "sound/SoundResourceTypes.h"

#include "engine/app/AppHooks.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/MemorySystem.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/MusicResource.h"
#include "sound/OpenALDriver.h"
#include "sound/SoundBankResource.h"
#include "sound/SoundSystem.h"

#include <memory>

namespace {

template <class T> ResourcePlaceholderFactory placeholderOf()
{
    return [](const std::string&) -> std::unique_ptr<Resource> { return std::make_unique<T>(); };
}

ResourceTypeInfo typeInfo(const char* extension, ResourceFactory factory,
                          ResourcePlaceholderFactory placeholder, MemCategory category, bool keepImage)
{
    ResourceTypeInfo info;
    info.extension = extension;
    info.factory = std::move(factory);
    info.placeholderFactory = std::move(placeholder);
    info.memoryCategory = static_cast<int>(category);
    info.keepImage = keepImage;
    return info;
}

} // namespace

void registerSoundResourceTypes(ResourceSystem& resources)
{
    const MemCategory sound = MemCategory::Sound;
    resources.registerType(typeInfo(
        "snd",
        [](const std::string& name, const uint8_t* data, size_t size, int) {
            return std::unique_ptr<Resource>(SoundBankResource::create(name, data, size));
        },
        placeholderOf<SoundBankResource>(), sound, false));
    resources.registerType(typeInfo(
        "wav",
        [](const std::string& name, const uint8_t* data, size_t size, int) {
            return std::unique_ptr<Resource>(SoundResource::create(name, data, size));
        },
        placeholderOf<SoundResource>(), sound, false));
    resources.registerType(typeInfo(
        "lsb",
        [](const std::string& name, const uint8_t* data, size_t size, int) {
            return std::unique_ptr<Resource>(LevelSoundBankResource::create(name, data, size));
        },
        placeholderOf<LevelSoundBankResource>(), sound, false));
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->registerListFunction("getSpeakerTypes", [](std::vector<ListEntry>& list) {
            for (int i = 0; i < 9; ++i) {
                ListEntry entry;
                entry.name = speakerTypeName(i);
                entry.value = std::to_string(i);
                list.push_back(entry);
            }
        });
        commands->registerListFunction(
            "getSoundDevices", [](std::vector<ListEntry>& list) { OpenALDriver::fillDeviceChoices(list); });
    }
}

void registerMusicResourceType(ResourceSystem& resources)
{
    resources.registerType(typeInfo(
        "ogg",
        [](const std::string& name, const uint8_t* data, size_t size, int) {
            return std::unique_ptr<Resource>(MusicResource::create(name, data, size));
        },
        placeholderOf<MusicResource>(), MemCategory::Music, true));
}

void installSoundHooks(AppHooks& hooks, bool headless)
{
    struct State {
        std::unique_ptr<SoundSystem> system;
        std::unique_ptr<OpenALDriver> driver;
    };
    auto state = std::make_shared<State>();

    chainHook(hooks.createSoundSystem, [state] { state->system = std::make_unique<SoundSystem>(); });
    chainHook(hooks.registerSystems, [headless] {
        // A headless server loads no sounds.
        if (!headless) {
            registerSoundResourceTypes(ResourceSystem::get());
            registerMusicResourceType(ResourceSystem::get());
        }
    });
    auto previousStart = hooks.startSound;
    hooks.startSound = [state, previousStart](std::string& beyondDevice) {
        if (previousStart && !previousStart(beyondDevice)) {
            return false;
        }
        state->driver = std::make_unique<OpenALDriver>();
        if (state->system && state->system->init(state->driver.get())) {
            return true;
        }
        beyondDevice = state->driver->getFailureBeyondDevice();
        return false;
    };
    chainHook(hooks.shutdownSound, [state] {
        if (state->system) {
            state->system->shutdown();
        }
        state->driver.reset();
    });
    chainHook(hooks.destroySystems, [state] {
        state->system.reset();
        state->driver.reset();
    });
}
