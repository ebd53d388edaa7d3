#include "support/selfplay/PlaySummary.h"

#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GateList.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/skills/StatusEffect.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace selfplay {

namespace {

// A guard's health may move this much between the save and the resumed
// game's first steps (regeneration, a blow in a raid).
constexpr int kGuardHealthMargin = 10;

std::string questLine(const QuestBase& quest)
{
    std::string needed;
    for (const QuestTarget& target : quest.targets) {
        needed += formatString(" %d", target.needed);
    }
    return formatString("type %d, level %d, goal %d, needed [%s ], xp %d, money %d, complete %d, failed %d, "
                        "open %d",
                        quest.type, quest.level, quest.goal, needed.c_str(), quest.xpReward,
                        quest.moneyReward, quest.isComplete(), quest.failed, quest.open);
}

std::string effectNames(const std::vector<StatusEffect*>& effects)
{
    std::vector<std::string> names;
    for (const StatusEffect* effect : effects) {
        const DatabaseEntry* entry = effect ? effect->getEntry() : nullptr;
        names.push_back(entry ? entry->getName() : "?");
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

std::string recruitLine(const Recruit& recruit)
{
    const int level = toIndex(CharacterStat::Level);
    const int maxHealth = toIndex(CharacterStat::MaxHealth);
    const int attack = toIndex(CharacterStat::Attack);
    if (const Actor* body = recruit.getActor()) {
        // A body's passing effects (a curse, a sprint) are the moment's.
        const std::vector<StatusEffect*> lasting = recruit.lastingEffects(*body);
        const CounterList stats = body->walkingStatsWith(lasting);
        return formatString("%s: level %d, maximum health %d, attack %d, effects %s",
                            body->getMonsterType() ? body->getMonsterType()->getName().c_str() : "?",
                            stats.get(level), stats.get(maxHealth), stats.get(attack),
                            effectNames(lasting).c_str());
    }
    return formatString("record only: level %d, maximum health %d, attack %d", recruit.getStat(level),
                        recruit.getStat(maxHealth), recruit.getStat(attack));
}

std::string activatedGates(const GateList& gates)
{
    std::string places;
    for (const GateRecord& record : gates.getRecords())
        places += record.activated ? formatString(" %d", record.zone) : "";
    return places.empty() ? " none" : places;
}

int standingGuards(const Covenant& covenant)
{
    int standing = 0;
    for (int place = 0; place < Covenant::kGuardSlots; ++place)
        standing += covenant.getGuard(place) && !covenant.getGuard(place)->isDead() ? 1 : 0;
    return standing;
}

} // namespace

PlaySummary summarizePlay(const Player& player)
{
    PlaySummary state;
    const Covenant* own = player.getCovenant();
    for (int slot = 0; own && slot < own->getRecruitSlotCount(); ++slot) {
        if (const Recruit* recruit = own->getRecruit(slot)) {
            state.lines[formatString("recruit %d", slot)] = recruitLine(*recruit);
            ++state.recruits;
        }
    }
    // A guard whose contract broke free is hired no more, though it may
    // still stand there.
    for (int place = 0; own && place < Covenant::kGuardSlots; ++place) {
        const ItemBase* contract = player.getItem(toIndex(InventoryGroupIndex::House), place);
        const auto* guard = dynamic_cast<const Actor*>(own->getGuard(place));
        if (guard && guard->isAlive() && contract && contract->getItemType() == ItemType::Guard &&
            !contract->hasBrokenFree()) {
            const std::string kind = guard->getMonsterType() ? guard->getMonsterType()->getName() : "?";
            state.guardHealth[formatString("guard %d (%s)", place, kind.c_str())] = static_cast<int>(
                std::lround(100.0 * guard->getHealth() / std::max(1, guard->getMaxHealth())));
        }
    }
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        const Quest* quest = player.getQuest(slot);
        if (quest && quest->isInUse()) {
            state.lines[formatString("held quest %d", quest->id)] = questLine(*quest);
        }
    }
    // The player: its stats as its worn items and effects make them, its
    // effects, and the gates of both its lists.
    std::string stats;
    for (CharacterStat stat :
         {CharacterStat::Level, CharacterStat::Xp, CharacterStat::Strength, CharacterStat::Dexterity,
          CharacterStat::Vitality, CharacterStat::Intelligence, CharacterStat::Spirit,
          CharacterStat::MaxHealth, CharacterStat::Attack, CharacterStat::Armor}) {
        stats += formatString(" %d", player.getStat(toIndex(stat)));
    }
    // Its lasting effects (regeneration, a worn set's bonus); one that
    // passes (a shield, a poison) is the moment's, and so are the stats it
    // changes.
    std::vector<StatusEffect*> lasting;
    for (StatusEffect* effect : player.getStatusEffects()) {
        if (effect && effect->forever) {
            lasting.push_back(effect);
        }
    }
    state.passingEffects = lasting.size() != player.getStatusEffects().size();
    state.lines["player stats"] = stats;
    state.lines["player effects"] = effectNames(lasting);
    auto& lists = const_cast<Player&>(player);
    state.lines["player gates"] = activatedGates(lists.getGates());
    state.lines["player covenant gates"] = activatedGates(lists.getGatesCopy());
    const int money = toIndex(CovenantStat::Money);
    if (own) {
        state.lines["player covenant"] =
            formatString("crystals %d, guards %d", own->stats.get(money), standingGuards(*own));
    }
    const Game& game = Game::get();
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        const auto* covenant = dynamic_cast<const ActorCovenant*>(game.getCovenant(i));
        if (!covenant) {
            continue;
        }
        // Its recruit quest, and its answer to the quest's candidate.
        if (covenant->quest && covenant->quest->level >= 0) {
            state.lines[formatString("recruit quest of covenant %d", i)] = questLine(*covenant->quest);
            const bool asked = covenant->questCandidate.get() || covenant->questCandidateLoaded;
            state.lines[formatString("covenant %d candidate", i)] = !asked ? "not asked"
                                                                    : covenant->questCandidateWilling
                                                                        ? "willing"
                                                                        : "refused";
        }
        for (int slot = 0; slot < covenant->getRecruitSlotCount(); ++slot) {
            if (const Recruit* recruit = covenant->getRecruit(slot)) {
                state.lines[formatString("covenant %d member %d", i, slot)] =
                    formatString("level %d, xp %d, away %d", recruit->getStat(toIndex(CharacterStat::Level)),
                                 recruit->getStat(toIndex(CharacterStat::Xp)), recruit->away);
            }
        }
        state.lines[formatString("covenant %d holdings", i)] = formatString(
            "levels found %d, crystals %d, stone maximum %d, guards %d",
            static_cast<int>(std::count(covenant->knownLevels.begin(), covenant->knownLevels.end(), true)),
            covenant->stats.get(money), covenant->getLifestoneMaxHealth(), standingGuards(*covenant));
    }
    // A war between factions is a quest of the Game's, whose targets each
    // need one.
    for (int number = 0; number < game.getQuestTableSize(); ++number) {
        const Quest* quest = game.getQuest(number);
        if (quest && quest->type == toIndex(QuestType::War)) {
            state.lines[formatString("war quest %d", number)] = questLine(*quest);
        }
    }
    return state;
}

std::vector<std::string> comparePlaySummaries(const PlaySummary& saved, const PlaySummary& resumed,
                                              const std::vector<PlaySummary>& played)
{
    // A line as a played step after the save left it is no difference.
    auto asPlayed = [&played](const std::string& what, const std::string* line) {
        return std::any_of(played.begin(), played.end(), [&](const PlaySummary& step) {
            const auto found = step.lines.find(what);
            return line ? found != step.lines.end() && found->second == *line : found == step.lines.end();
        });
    };
    std::vector<std::string> differences;
    for (const auto& [what, line] : saved.lines) {
        if (what == "player stats" && (saved.passingEffects || resumed.passingEffects)) {
            continue;
        }
        const auto found = resumed.lines.find(what);
        if (found == resumed.lines.end()) {
            if (!asPlayed(what, nullptr)) {
                differences.push_back(what + ": " + line + ", then gone");
            }
        } else if (found->second != line && !asPlayed(what, &found->second)) {
            differences.push_back(what + ": " + line + ", then " + found->second);
        }
    }
    for (const auto& [what, line] : resumed.lines) {
        if (!saved.lines.contains(what) && !asPlayed(what, &line)) {
            differences.push_back(what + ": none, then " + line);
        }
    }
    for (const auto& [what, health] : saved.guardHealth) {
        const auto found = resumed.guardHealth.find(what);
        if (found == resumed.guardHealth.end()) {
            differences.push_back(formatString("%s: %d %% health, then gone", what.c_str(), health));
        } else if (std::abs(found->second - health) > kGuardHealthMargin) {
            differences.push_back(
                formatString("%s: %d %% health, then %d %%", what.c_str(), health, found->second));
        }
    }
    for (const auto& [what, health] : resumed.guardHealth) {
        if (!saved.guardHealth.contains(what)) {
            differences.push_back(formatString("%s: none, then %d %% health", what.c_str(), health));
        }
    }
    return differences;
}

} // namespace selfplay
