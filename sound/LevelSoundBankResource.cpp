#include "sound/LevelSoundBankResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/ResourceSystem.h"

void AmbientCountdown::advance(float seconds)
{
    if (!running) {
        return;
    }
    remaining -= seconds;
    if (remaining < 0.0f) {
        remaining = 0.0f;
    }
}

std::unique_ptr<LevelSoundBankResource> LevelSoundBankResource::create(const std::string& fileName,
                                                                       const uint8_t* data, size_t size)
{
    auto bank = std::make_unique<LevelSoundBankResource>();
    bank->apply(
        LevelSoundBankFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), fileName));
    return bank;
}

void LevelSoundBankResource::apply(const LevelSoundBankFile& file)
{
    ResourceSystem* resources = ResourceSystem::instance();
    for (const auto& line : file.randomSounds) {
        auto sound = std::make_unique<LevelRandomSound>();
        if (resources) {
            sound->sound = resources->load(line.fileName);
        }
        sound->quietTime = line.quietTime;
        sound->checkInterval = line.checkInterval;
        sound->chance = line.chance;
        sound->minRadius = line.minRadius;
        sound->maxRadius = line.maxRadius;
        sound->quietTimer.enabled = true;
        sound->checkTimer.enabled = true;
        m_randomSounds.push_back(std::move(sound));
    }
    if (!file.baseSound.empty()) {
        m_baseSoundName = file.baseSound;
        if (resources) {
            m_baseSound = resources->load(file.baseSound);
        }
    }
}

std::string LevelSoundBankResource::describe() const
{
    return formatString("%s: level sound bank, base \"%s\", %zu random sounds%s", getFileName().c_str(),
                        m_baseSoundName.c_str(), m_randomSounds.size(),
                        isPlaceholder() ? " (placeholder)" : "");
}
