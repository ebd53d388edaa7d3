#include "support/selfplay/Fights.h"

#include "client/mirrors/SkillListClient.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/skills/SkillBase.h"
#include "support/selfplay/Bot.h"

#include <vector>

namespace selfplay {

Fights::Fights(Bot& bot) : Part(bot) {}

bool Fights::isFoe(Entity* e) const
{
    auto* actor = dynamic_cast<Actor*>(e);
    return actor && actor->isAlive() && player()->isEnemyOf(actor) &&
           !leftAlone(m_ignoredFoes, e->getEntityNumber());
}

int Fights::choose(bool homeward, int wanted) const
{
    // Raided at home it fights by its stone: raiders drawing off (making
    // for their gate as the raid winds down) are not followed away from it.
    const Covenant* own = player()->getCovenant();
    const bool leashed =
        own && m_bot.raids.raidedNow() && own->housePosition.zone == player()->getPosition().zone;
    auto byStone = [&](const Entity* e) {
        return !leashed || distance(e->getPosition(), own->housePosition) < kRaidLeash;
    };
    auto foe = [&](Entity* e) { return isFoe(e) && byStone(e); };
    if (m_bot.push.pushing()) {
        const int chosen = pushFoe();
        const Entity* entity = chosen >= 0 ? Game::get().getEntity(chosen) : nullptr;
        return entity && byStone(entity) ? chosen : -1;
    }
    return homeward || wanted >= 0 ? nearest(foe, 150.0f) : nearest(foe, 400.0f);
}

bool Fights::leaveIfUnreachable(int foe)
{
    const auto* actor = dynamic_cast<const Actor*>(Game::get().getEntity(foe));
    const int health = actor ? actor->getHealth() : 0;
    // Each foe keeps its own count, so that several pacing out of reach,
    // nearest by turns, do not wipe each other's.
    FoeFight& fight = m_foeFights[foe];
    if (frame() - fight.seenAt > kFramesPerMinute || health < fight.health) {
        fight.frames = 0;
    } else if ((fight.frames += 10) > 200) {
        trace("leaves a foe it cannot reach");
        m_ignoredFoes[foe] = frame() + 2 * kFramesPerMinute;
        m_foeFights.erase(foe);
        m_foe = -1;
        groundClick();
        return true;
    }
    fight.health = health;
    fight.seenAt = frame();
    return false;
}

void Fights::attack(int foe)
{
    m_bot.trade.closeWindows();
    if (m_foe != foe) {
        m_foe = foe;
        mirror()->selectEntity(mirrorOf(foe));
    } else if (mirror()->action != PlayerClient::kActionAttack &&
               mirror()->action != PlayerClient::kActionApproach) {
        mirror()->selectEntity(mirrorOf(foe));
    }
    if (frame() % 40 == 1) {
        useSkillOn(foe);
    }
}

void Fights::count(Figures& figures)
{
    if (m_foe >= 0) {
        auto* foe = dynamic_cast<Actor*>(Game::get().getEntity(m_foe));
        if (!foe || !foe->isAlive()) {
            ++figures.kills;
            m_foe = -1;
        }
    }
}

int Fights::pushFoe() const
{
    const float reach = m_bot.push.onThePush() ? 150.0f : 400.0f;
    Entity* current = m_foe >= 0 ? Game::get().getEntity(m_foe) : nullptr;
    if (current && current->getPosition().zone == player()->getPosition().zone && isFoe(current) &&
        mirrorOf(m_foe) && distance(current->getPosition(), player()->getPosition()) < reach + 100.0f) {
        return m_foe;
    }
    if (!m_bot.push.onThePush()) {
        return m_ctx.strongest([&](Entity* e) { return isFoe(e); }, reach);
    }
    const int worth = player()->getStat(toIndex(CharacterStat::Level)) - kPassBy;
    return nearest([&](Entity* e) { return isFoe(e) && e->getStat(toIndex(CharacterStat::Level)) >= worth; },
                   reach);
}

bool Fights::drinkPotion()
{
    const int most = player()->getStat(toIndex(CharacterStat::MaxHealth));
    if (m_bot.push.pushing() || frame() < m_nextDrinkAt || most <= 0 ||
        player()->getHealth() * 100 >= most * 40) {
        return false;
    }
    const std::vector<std::pair<int, int>> potions = m_ctx.carriedPotions();
    if (potions.empty()) {
        return false;
    }
    const int used = m_ctx.useBagItem(potions.front().first, potions.front().second);
    if (used <= 0) {
        return used == 0;
    }
    // Its healing takes a while before the next.
    m_nextDrinkAt = frame() + 100;
    trace(formatString("drinks a potion (health %d of %d)", player()->getHealth(), most).c_str());
    return true;
}

void Fights::useSkillOn(int foe)
{
    if (!mirror()->skills) {
        return;
    }
    std::vector<SkillBase*> ready;
    for (SkillBase* skill : mirror()->skills->getSkills()) {
        if (skill && skill->getLevel() > 0 && skill->getDefinition() && skill->isReady()) {
            ready.push_back(skill);
        }
    }
    if (ready.empty()) {
        return;
    }
    SkillBase* skill = ready[static_cast<size_t>(m_ctx.random.below(static_cast<int>(ready.size())))];
    mirror()->setTarget(mirrorOf(foe), false);
    mirror()->useSkill(skill->getTree(), skill->getSlot());
}

} // namespace selfplay
