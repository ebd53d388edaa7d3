#include "game/covenants/Covenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"

#include <algorithm>

namespace {
// The stone glows with its health: colour f, f, f and a reach of 10 + 40 f.
void showLifestone(Entity* stone, float f)
{
    float shade = std::max(f, 0.0f);
    stone->setLightColor(Vec3{shade, shade, shade});
    stone->setLightFalloff(f > 0.0f ? 10.0f + 40.0f * f : 0.0f);
}
} // namespace

void Covenant::update(float dt)
{
    if (destroyed)
        return;
    refreshPowerStats();
    seatGuards();

    // Without a life stone there is nothing to regenerate, announce or show.
    if (Entity* stone = lifestone.get()) {
        int health = stone->getHealth();
        int maximum = stone->getMaxHealth();
        float regen = static_cast<float>(lifestoneRegen) * dt / 60.0f;
        if (maximum <= 0 || static_cast<float>(health) / static_cast<float>(maximum) < 0.5f)
            regen *= 0.5f;
        int gained = randomRound(regen);
        if (health < maximum) {
            health = std::min(health + gained, maximum);
            stone->setHealth(health);
        }

        float f = maximum > 0 ? static_cast<float>(health) / static_cast<float>(maximum) : 0.0f;
        Game* game = Game::instance();
        if (f < 0.25f && lastLifestoneFraction >= 0.25f) {
            if (game)
                game->announceLifestoneDanger(index, f);
        } else if (f < 0.5f && lastLifestoneFraction >= 0.5f) {
            if (game)
                game->announceLifestoneDanger(index, f);
        }
        // A recovering stone re-arms a warning only past 0.3 or 0.55.
        if (f <= lastLifestoneFraction || (lastLifestoneFraction < 0.25f && f > 0.3f) ||
            (lastLifestoneFraction < 0.5f && f > 0.55f))
            lastLifestoneFraction = f;
        showLifestone(stone, f);
    }

    if (const Sentient* leader = getLeader())
        level = leader->getStat(toIndex(CharacterStat::Level));
    stats.set(static_cast<int>(CovenantStat::AbsoluteInfluence), getInfluence());
    setGuardHealthOfItems();
}

void Covenant::setGuardHealthOfItems()
{
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        const Entity* guard = guards[static_cast<size_t>(slot)].get();
        ItemBase* item = getHouseItem(slot);
        if (!guard || !item || item->getGuardHealth() == guard->getHealth())
            continue;
        item->setGuardHealth(guard->getHealth());
        item->updateStackValue(); // value and upkeep are worked out afresh
    }
}

void Covenant::writeUpdate(ByteBuffer& out) const
{
    out.writeInt(static_cast<int32_t>(definitionIndex));
    out.writeString(getName());
    out.writeZonePosition(housePosition);
    out.writeInt(static_cast<int32_t>(destroyed ? 1 : 0));
    out.writeInt(influence.adventure);
    out.writeInt(influence.competition);
    out.writeInt(influence.world);
    out.writeInt(influence.transferred);
    for (CovenantStat s : {CovenantStat::GuardCosts, CovenantStat::People, CovenantStat::Items,
                           CovenantStat::LifeStone, CovenantStat::House, CovenantStat::Money})
        out.writeInt(static_cast<int32_t>(stats.get(static_cast<int>(s))));
    out.writeInt(static_cast<int32_t>(level));
    out.writeInt(static_cast<int32_t>(getLifestoneHealth()));
    out.writeInt(static_cast<int32_t>(getLifestoneMaxHealth()));

    const Game* game = Game::instance();
    int count = game ? game->getCovenantCount() : 0;
    for (int i = 0; i < count; ++i) {
        ensureRelation(i);
        writeRelationEntry(out, i); // past 31: the defaults
    }

    out.writeInt(static_cast<int32_t>(getQuestState()));
    int traits = std::max(0, getTraitCount());
    out.writeInt(static_cast<int32_t>(traits));
    for (int i = 0; i < traits; ++i)
        out.writeInt(static_cast<int32_t>(getTraitId(i)));
    out.writeInt(static_cast<int32_t>(getLeaderGold()));
    out.writeInt(static_cast<int32_t>(isBeingRaided(nullptr) ? 1 : 0));
    out.writeInt(static_cast<int32_t>(raidTarget));
}
