#pragma once

class ResourceSystem;
struct AppHooks;

// "snd", "wav" and "lsb" in the memory category "Sound", and the option
// lists getSpeakerTypes and getSoundDevices.
void registerSoundResourceTypes(ResourceSystem& resources);
// "ogg" in the category "Music"; the object keeps the file image.
void registerMusicResourceType(ResourceSystem& resources);

// The sound system's start-up and shut-down steps, chained onto hooks
// already installed. A headless run registers no sound type and starts no
// sound.
void installSoundHooks(AppHooks& hooks, bool headless);
