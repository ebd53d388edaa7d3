#include "support/selfplay/Fights.h"

#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillRefusal.h"
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
    EntityClient* target = mirrorOf(foe);
    const SkillDefinition* far = target ? strikeFromAfar(target) : nullptr;
    if (far && far->isWellInRange(mirror(), target)) {
        m_foe = foe;
        if (mirror()->getTarget(false) != target) {
            mirror()->setTarget(target, true);
        } else if (mirror()->action == PlayerClient::kActionAttack ||
                   mirror()->action == PlayerClient::kActionApproach) {
            mirror()->setDestination(player()->getPosition(), true);
            groundClick();
        }
    } else if (m_foe != foe) {
        m_foe = foe;
        mirror()->selectEntity(mirrorOf(foe));
    } else if (mirror()->action != PlayerClient::kActionAttack &&
               mirror()->action != PlayerClient::kActionApproach) {
        mirror()->selectEntity(mirrorOf(foe));
    }
    useHotBar(foe);
}

void Fights::count(Figures& figures)
{
    figures.hotBarUses = m_hotBarUses;
    if (m_foe >= 0) {
        auto* foe = dynamic_cast<Actor*>(Game::get().getEntity(m_foe));
        if (!foe || !foe->isAlive()) {
            ++figures.kills;
            figures.earlyKills += frame() <= kEarlyMinutes * kFramesPerMinute ? 1 : 0;
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

bool Fights::isFightingSkill(const SkillBase& skill)
{
    const SkillDefinition* d = skill.getDefinition();
    if (!d || d->isBasic() || d->passive || !d->linked.empty() || d->hide || d->blink) {
        return false;
    }
    if (d->needsEnemy) {
        return d->requiredEntityStateOne == 0 && d->requiredEntityStateAll == 0;
    }
    return d->self && (d->skillType == toIndex(SkillType::Heal) || d->skillType == toIndex(SkillType::Buff));
}

int Fights::barPlaceOf(const SkillBase& skill) const
{
    for (int place = 0; place < kBarPlaces; ++place) {
        const HotkeyRecord record = mirror()->getHotkey(place);
        if (record.values[0] == kBarSkill && record.values[1] == skill.getTree() &&
            record.values[2] == skill.getSlot()) {
            return place;
        }
    }
    return -1;
}

SkillBase* Fights::barSkill(int place) const
{
    const HotkeyRecord record = mirror()->getHotkey(place);
    return record.values[0] == kBarSkill
               ? mirror()->skills->findByTreeSlot(record.values[1], record.values[2])
               : nullptr;
}

const SkillDefinition* Fights::strikeFromAfar(EntityClient* target) const
{
    if (!mirror()->skills) {
        return nullptr;
    }
    for (int place = 1; place < kBarPlaces; ++place) {
        SkillBase* skill = barSkill(place);
        const SkillDefinition* d = skill ? skill->getDefinition() : nullptr;
        if (!d || !d->needsEnemy || d->maxRange < 1.5f * kMeleeReach || !skill->isReady() ||
            skill->getLevel() <= 0) {
            continue;
        }
        const int refusal =
            SkillClient::checkUse(*skill, mirror(), mirror()->stats, target, mirror()->getFlags());
        if (refusal == 0 || refusal == toIndex(SkillRefusal::OutOfRange)) {
            return d;
        }
    }
    return nullptr;
}

bool Fights::fillHotBar()
{
    if (!m_filling && frame() % 50 != 31) {
        return false;
    }
    SkillBase* wanted = nullptr;
    for (SkillBase* skill : mirror()->skills->getSkills()) {
        if (skill && skill->getLevel() > 0 && isFightingSkill(*skill) && barPlaceOf(*skill) < 0) {
            wanted = skill;
            break;
        }
    }
    int free = -1;
    for (int place = 1; place < kBarPlaces && free < 0; ++place) {
        free = mirror()->getHotkey(place).values[0] == kBarEmpty ? place : -1;
    }
    if (!wanted || free < 0) {
        // Done: the skills page it opened closes again.
        const bool close = m_filling && menuShown("Skills");
        m_filling = false;
        return close && pressKey("skillsScreen");
    }
    m_filling = true;
    // The skills page by its key, the skill's tree by its tab; each shows
    // with the next frame.
    if (!menuShown("Skills")) {
        if (!pressKey("skillsScreen")) {
            fault() << "no key opens the skills page";
            m_filling = false;
        }
        return m_filling;
    }
    const std::string name = wanted->getDefinition()->name;
    UIWidget* slot = shownOnPage(formatString("SkillsTree%d::S%d", wanted->getTree(), wanted->getSlot()));
    if (!slot) {
        if (m_tabAsked == wanted->getTree() ||
            !clickWidget(shownWidget(formatString("Skills::Tab%d", wanted->getTree())))) {
            fault() << "the skills page shows no place of skill " << name;
            m_filling = false;
            return false;
        }
        m_tabAsked = wanted->getTree();
        return true;
    }
    m_tabAsked = -1;
    // A click on the skill takes it up, one on the bar's place puts it there.
    if (!clickWidget(slot) || !clickWidget(shownWidget(formatString("HotBar::Use%d", free))) ||
        barPlaceOf(*wanted) != free) {
        fault() << "skill " << name << " cannot be put on the hot bar's place " << free + 1;
        m_filling = false;
        return false;
    }
    trace(formatString("puts %s on the hot bar's place %d", name.c_str(), free + 1).c_str());
    return true;
}

void Fights::useHotBar(int foe)
{
    const EntityClient* self = mirror()->getServerMirror();
    EntityClient* target = mirrorOf(foe);
    if (!self || !target || !mirror()->skills) {
        return;
    }
    // The cast bar under way, or the last key's answer still to come.
    if (self->getProgressTimer() > 0.0f && self->getProgressTimer() < self->getProgressLength()) {
        return;
    }
    for (SkillBase* skill : mirror()->skills->getSkills()) {
        const auto* own = dynamic_cast<const SkillClient*>(skill);
        if (own && own->waiting && !skill->getDefinition()->isBasic()) {
            return;
        }
    }
    const bool hurt = self->getHealth() * 100 < self->getMaxHealth() * 60;
    // Of the skills that serve now, a heal while hurt comes first, then the
    // one that waits longest between uses: a strike always ready would
    // otherwise keep the stronger ones behind it on the bar unused.
    int chosen = -1;
    float chosenRank = 0.0f;
    for (int place = 1; place < kBarPlaces; ++place) {
        SkillBase* skill = barSkill(place);
        const SkillDefinition* d = skill ? skill->getDefinition() : nullptr;
        if (!d || !skill->isReady() || skill->getLevel() <= 0) {
            continue;
        }
        const bool onFoe = d->needsEnemy && d->isInRange(mirror(), target);
        const bool heal = d->skillType == toIndex(SkillType::Heal) && hurt;
        const bool buff = d->skillType == toIndex(SkillType::Buff) && d->self;
        if (!onFoe && !heal && !buff) {
            continue;
        }
        if (SkillClient::checkUse(*skill, mirror(), mirror()->stats, d->needsEnemy ? target : nullptr,
                                  mirror()->getFlags()) != 0) {
            continue;
        }
        const float rank = heal ? 1.0e9f : d->getReuseTime(skill->getLevel());
        if (chosen < 0 || rank > chosenRank) {
            chosen = place;
            chosenRank = rank;
        }
    }
    if (chosen >= 0 && pressKey(chosen == 9 ? "useSlot10" : formatString("useSlot%d", chosen + 1).c_str())) {
        ++m_hotBarUses;
    }
}

} // namespace selfplay
