#include "game/skills/StatSystem.h"

#include "game/entities/Sentient.h"

StatSystem::StatSystem()
{
    s_instance = this;
}

StatSystem::~StatSystem()
{
    if (s_instance == this)
        s_instance = nullptr;
}

namespace {

void count(Entity* entity, int index)
{
    auto* sentient = dynamic_cast<Sentient*>(entity);
    std::vector<int32_t>* stats = sentient ? sentient->getFunStats() : nullptr;
    if (!stats)
        return;
    if (stats->size() <= static_cast<size_t>(index))
        stats->resize(static_cast<size_t>(index) + 1, 0);
    ++(*stats)[static_cast<size_t>(index)];
}

} // namespace

void StatSystem::onKill(Entity* killer, Entity* victim, int flag)
{
    if (flag != 0)
        return;
    count(killer, kKills);
    count(victim, kDeaths);
}

void createStatSystem()
{
    if (!StatSystem::instance())
        new StatSystem();
}

void destroyStatSystem()
{
    delete StatSystem::instance();
}
