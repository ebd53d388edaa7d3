#include "sound/SoundBankResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/SoundResource.h"

namespace {

float vary(float value, float variation)
{
    if (variation == 0.0f) {
        return value;
    }
    return value + randomFloat(0) * (2.0f * variation) - variation;
}

} // namespace

std::unique_ptr<SoundBankResource> SoundBankResource::create(const std::string& fileName, const uint8_t* data,
                                                             size_t size)
{
    auto bank = std::make_unique<SoundBankResource>();
    bank->apply(SoundBankFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), fileName));
    return bank;
}

void SoundBankResource::apply(const SoundBankFile& file)
{
    m_minDist = file.minDist.value_or(m_minDist);
    m_maxDist = file.maxDist.value_or(m_maxDist);
    m_volume = file.volume.value_or(m_volume);
    m_volumeVariation = file.volumeVariation.value_or(m_volumeVariation);
    m_pitch = file.pitch.value_or(m_pitch);
    m_pitchVariation = file.pitchVariation.value_or(m_pitchVariation);
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        for (const auto& entry : file.sounds) {
            m_sounds.push_back(resources->load(entry.fileName));
        }
    }
}

float SoundBankResource::getVolume() const
{
    return vary(m_volume, m_volumeVariation);
}

float SoundBankResource::getPitch() const
{
    return vary(m_pitch, m_pitchVariation);
}

SoundResource* SoundBankResource::pickSound() const
{
    int n = static_cast<int>(m_sounds.size());
    if (n < 1) {
        return nullptr;
    }
    int index = static_cast<int>(randomFloat(0) * static_cast<float>(n));
    if (index >= n) {
        index = n - 1;
    }
    return m_sounds[static_cast<size_t>(index)].getAs<SoundResource>();
}

std::string SoundBankResource::describe() const
{
    return formatString("%s: bank of %zu sounds, distance %g-%g, volume %g±%g, pitch %g±%g%s",
                        getFileName().c_str(), m_sounds.size(), m_minDist, m_maxDist, m_volume,
                        m_volumeVariation, m_pitch, m_pitchVariation,
                        isPlaceholder() ? " (placeholder)" : "");
}
