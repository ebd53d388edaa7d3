#include "game/entities/Player.h"

#include "engine/core/StringUtil.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}
constexpr int kAttributePointsPerLevel = 5;

// Training costs points only for a skill bought with points (no stat of its own).
int pointCost(const SkillDefinition& definition, int level)
{
    return definition.statReq == SkillDefinition::kNoStat ? definition.getPointCostAt(level) : 0;
}

int moneyFor(int points)
{
    return static_cast<int>(std::floor(static_cast<double>(points) * worldRules().moneyPerSkillPoint));
}
} // namespace

void Player::levelUp()
{
    giveBonusSkill(stat(CharacterStat::Level));
    Sentient::levelUp();
    m_stats.add(stat(CharacterStat::AttributePointsLeft), kAttributePointsPerLevel);
    Game* game = Game::instance();
    int points = 0;
    if (game) {
        const Game::Settings& s = game->settings();
        points = s.baseSkillPointsPerLevel;
        if (s.levelsBetweenSkillPointRaises >= 1)
            points +=
                m_stats.get(stat(CharacterStat::Level)) / s.levelsBetweenSkillPointRaises * s.skillPointRaise;
    }
    m_stats.add(stat(CharacterStat::SkillPointsLeft), points);
    if (game)
        game->playSound("sounds/levelUp.ogg", m_position, m_entityNumber);
    sendMessage(3, formatString("Now level %d", m_stats.get(stat(CharacterStat::Level))));
    if (game)
        game->levelTownNpcsTo(this);
}

void Player::increaseAttribute(const std::string& name)
{
    if (m_stats.get(stat(CharacterStat::AttributePointsLeft)) <= 0)
        return;
    const int attribute = toIndex(parseCharacterStat(name));
    if (attribute < stat(CharacterStat::Strength) || attribute > stat(CharacterStat::Spirit))
        return;
    const int index = attribute - stat(CharacterStat::Strength);
    const int base = stat(CharacterStat::BaseStrength) + index;
    const int cap = worldRules().maxBaseAttributes[static_cast<size_t>(index)];
    if (cap >= 1 && m_stats.get(base) >= cap)
        return;
    giveBonusSkill(base);
    int value = m_stats.get(base) + 1;
    m_stats.set(base, cap >= 1 ? std::min(value, cap) : value);
    m_stats.add(stat(CharacterStat::AttributePointsLeft), -1);
    updateStats(false);
}

void Player::increaseSkill(int treeIndex, int skillIndex)
{
    SkillBase* skill = m_skillList ? m_skillList->findByTreeSlot(treeIndex, skillIndex) : nullptr;
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    if (!definition)
        return;
    const int level = skill->getLevel();
    // "MaxSkillLevel" 0 sets no cap; a basic skill stops at 1.
    if (definition->getMaxLevel() > 0 && level >= definition->getMaxLevel())
        return;
    const int points = pointCost(*definition, level);
    if (m_stats.get(stat(CharacterStat::SkillPointsLeft)) < points)
        return;
    const int money = moneyFor(points);
    if (m_stats.get(stat(CharacterStat::Money)) < money) {
        sendMessage(4, "Not enough money");
        return;
    }
    const int levelStat = skill->getPointsStat();
    m_stats.set(levelStat, m_stats.get(levelStat) + 1);
    m_stats.set(stat(CharacterStat::LastSkillRaised), levelStat);
    m_stats.subtractFloored(stat(CharacterStat::SkillPointsLeft), points);
    m_stats.subtractFloored(stat(CharacterStat::Money), money);
    updateStats(false);
}

void Player::decreaseSkill(int treeIndex, int skillIndex)
{
    SkillBase* skill = m_skillList ? m_skillList->findByTreeSlot(treeIndex, skillIndex) : nullptr;
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    if (!definition)
        return;
    const int level = skill->getLevel();
    const int minimum = definition->isBasic() ? 1 : 0;
    if (level <= minimum || level <= 0)
        return;
    const int refund = pointCost(*definition, level - 1);
    const int fee = 3 * moneyFor(refund);
    if (m_stats.get(stat(CharacterStat::Money)) < fee) {
        sendMessage(4, "Not enough money");
        return;
    }
    const int levelStat = skill->getPointsStat();
    m_stats.set(levelStat, std::max(0, m_stats.get(levelStat) - 1));
    m_stats.add(stat(CharacterStat::SkillPointsLeft), refund);
    m_stats.subtractFloored(stat(CharacterStat::Money), fee);
    updateStats(false);
}

void Player::giveBonusSkill(int statIndex)
{
    SkillBase* skill = m_skillList ? m_skillList->findSkillNeedingPoints(m_stats, statIndex) : nullptr;
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    if (!definition || definition->getPointsStillNeeded(skill->getLevel(), m_stats) != 1)
        return;
    const std::string& shown = definition->getShownName();
    if (definition->hide || definition->getMaxLevel() == 1)
        sendMessage(2, formatString("Have received bonus skill %s", shown.c_str()));
    else
        sendMessage(
            2, formatString("Have received bonus skill %s lvl %d", shown.c_str(), skill->getLevel() + 1));
}
