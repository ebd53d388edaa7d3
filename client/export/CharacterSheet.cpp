#include "client/export/CharacterSheet.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/MonsterTexts.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/StringUtil.h"
#include "engine/data/EnumNameTable.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/Money.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"

namespace {

constexpr int kSkillTrees = 4;
constexpr int kSkillSlots = 15;
constexpr int kEquipmentSlots = 18;

std::string statLabel(int index)
{
    return getCharacterStatName(index, true);
}

std::string enumLabel(GameEnum table, int index)
{
    const auto& names = getGameEnumTable(table).names;
    return index >= 0 && static_cast<size_t>(index) < names.size()
               ? "$$" + names[static_cast<size_t>(index)] + "$$"
               : std::string();
}

std::string funLabel(CharacterFunStat stat)
{
    return enumLabel(GameEnum::CharacterFunStat, toIndex(stat));
}

} // namespace

bool writeCharacterSheet(SheetWriter& w)
{
    const Client* client = Client::instance();
    PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    const GameClient* game = GameClient::instance();
    const EntityClient* entity = player && game ? game->getEntity(player->getEntityNumber()) : nullptr;
    const GameData* data = GameData::instance();
    const CharacterClass* characterClass =
        player && data ? data->findCharacterClassById(player->stats.get(PlayerClient::kStatClass)) : nullptr;
    if (!player || !covenant || !entity || !characterClass) {
        return false;
    }
    const CounterList& stats = player->stats;
    const CounterList& fun = player->statistics;
    const auto stat = [&](int i) { return stats.get(i); };
    const auto statistic = [&](CharacterFunStat s) { return fun.get(toIndex(s)); };
    const std::string name = w.escape(player->getGeneratedName());

    w.begin(name);
    w.nameHeading(name);
    w.titleHeading(w.escape(player->getTitleLine()));

    w.openSection("Stats");
    w.line(formatString("Health: %d / %d", entity->getHealth(), entity->getMaxHealth()));
    w.line(formatString("%s: %d / %d", w.escape(characterClass->powerName).c_str(), stat(80), stat(81)));
    w.blank();
    for (auto [label, index] : {std::pair{"Attack", 76}, std::pair{"Defense", 70}, std::pair{"Armor", 78}}) {
        w.line(formatString("$$%s$$: %d", label, stat(index)));
    }
    w.blank();
    w.line(formatString("Damage: %d - %d", stat(PlayerClient::kStatMinDamage),
                        stat(PlayerClient::kStatMaxDamage)));
    w.line(formatString("DPS: %.1f", static_cast<double>(damagePerSecond(stats.values()))));
    w.blank();
    w.line("Money: " + w.escape(formatMoney(stat(toIndex(CharacterStat::Money)))));
    w.closeSection();

    w.openSection("Attributes");
    for (int i = 5; i <= 9; ++i) {
        w.line(formatString("%s: %d", statLabel(i).c_str(), stat(i)));
    }
    w.blank();
    w.line(formatString("Attribute points left: %d", stat(93)));
    w.closeSection();

    w.openSection("Resistances");
    for (int i = 98; i <= 102; ++i) {
        w.line(formatString("%s: %d", statLabel(i).c_str(), stat(i)));
    }
    w.closeSection();

    w.openSection("Skills");
    for (int tree = 0; tree < kSkillTrees; ++tree) {
        for (int slot = 0; slot < kSkillSlots; ++slot) {
            const SkillBase* skill = player->skills ? player->skills->findByTreeSlot(tree, slot) : nullptr;
            const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
            const int level = skill ? skill->getLevel() : 0;
            if (definition && level > 0) {
                w.line(formatString("%s lvl %d", w.escape(definition->baseName).c_str(), level));
            }
        }
    }
    w.blank();
    w.line(formatString("Skill points left: %d", stat(94)));
    w.closeSection();

    w.openSection("Equipment");
    TooltipContext descriptionOnly;
    descriptionOnly.options = TooltipDescriptionOnly;
    for (int slot = 0; slot < kEquipmentSlots; ++slot) {
        if (const ItemBase* item = player->getItem(1, slot)) {
            std::string tooltip;
            item->getTooltip(player, descriptionOnly, tooltip);
            w.line(w.escape(tooltip));
            w.itemEnd();
        }
    }
    w.closeSection();

    w.openSection("Fun stats");
    using F = CharacterFunStat;
    const auto count = [&](F s) { w.line(formatString("%s: %d", funLabel(s).c_str(), statistic(s))); };
    const auto monster = [&](F s, F info, bool withLevel) {
        w.line(funLabel(s) + ": " +
               w.escape(formatMonsterDescription(statistic(s), static_cast<uint32_t>(statistic(info)),
                                                 withLevel)));
    };
    count(F::Kills);
    count(F::Deaths);
    count(F::KillsPerDeath);
    w.blank();
    w.line(funLabel(F::GoldFound) + ": " + w.escape(formatMoney(statistic(F::GoldFound))));
    w.line(funLabel(F::TimePlayedMilliSeconds) + ": " +
           w.escape(formatDuration(statistic(F::TimePlayedDays), statistic(F::TimePlayedMilliSeconds))));
    count(F::MaxDamageDealt);
    count(F::MaxDamageTaken);
    count(F::MaxDamageDealtAtOnce);
    count(F::MaxHealthHealed);
    w.blank();
    w.line(formatString("%s: lvl %d", funLabel(F::BestTrapDisarmed).c_str(), statistic(F::BestTrapDisarmed)));
    w.blank();
    monster(F::StrongestMonsterDefeated, F::StrongestMonsterDefeatedInfo, false);
    monster(F::ToughestBattleWon, F::ToughestBattleWonInfo, true);
    monster(F::StrongestMonsterKilledBy, F::StrongestMonsterKilledByInfo, false);
    monster(F::WeakestMonsterKilledBy, F::WeakestMonsterKilledByInfo, false);
    w.blank();
    count(F::QuestsSolved);
    w.line(formatString("%s: %d of %d", funLabel(F::RaidsOffensiveWon).c_str(),
                        statistic(F::RaidsOffensiveWon), statistic(F::RaidsOffensiveTotal)));
    w.line(formatString("%s: %d of %d", funLabel(F::RaidsDefensiveWon).c_str(),
                        statistic(F::RaidsDefensiveWon), statistic(F::RaidsDefensiveTotal)));
    count(F::DestroyedByMonsters);
    w.blank();
    w.line("Equipment worth: " + w.escape(formatMoney(player->sumGroupValue(1))));
    w.line("Inventory worth: " + w.escape(formatMoney(player->sumInventoryValue())));
    w.blank();
    w.line(formatString("%s: %d", statLabel(110).c_str(), stat(110)));
    w.blank();
    for (CovenantFunStat s : {CovenantFunStat::WorldsConquered, CovenantFunStat::WorldsAllyWin,
                              CovenantFunStat::WorldsAbandoned, CovenantFunStat::WorldsLost}) {
        w.line(formatString("%s: %d", enumLabel(GameEnum::CovenantFunStat, toIndex(s)).c_str(),
                            covenant->funStatTotals.get(toIndex(s))));
    }
    w.closeSection();
    w.finish();
    return true;
}
