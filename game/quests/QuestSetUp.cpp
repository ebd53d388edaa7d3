// A new quest's first set-up phase: which monsters it is about and whether
// it can exist at all right now. Every draw is on random stream 0.
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Localization.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/AreaDefinition.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>

namespace {

constexpr int kLevelStat = toIndex(CharacterStat::Level);

MonsterType* randomTypeAtLevel(int level)
{
    const GameData* data = GameData::instance();
    if (!data) {
        return nullptr;
    }
    const int n = data->countMonsterTypesAtLevel(level);
    return n > 0 ? data->getMonsterTypeAtLevel(level, randomInt(n)) : nullptr;
}

// One of n, drawn as floor(r × n) and kept below n; -1 for none.
int drawIndex(size_t n)
{
    if (n == 0) {
        return -1;
    }
    const int pick = static_cast<int>(randomFloat() * static_cast<float>(n));
    return std::min(pick, static_cast<int>(n) - 1);
}

Actor* townNpcAt(int slot)
{
    const Game* game = Game::instance();
    return game ? game->getTownNpcAt(slot) : nullptr;
}

Entity* sourceEntity(QuestBase* source)
{
    const Quest* quest = dynamic_cast<const Quest*>(source);
    return quest ? quest->getQuestEntity() : nullptr;
}

bool classHas(const MonsterType* type, bool MonsterArchetype::*flag)
{
    return type && type->archetype && type->archetype->*flag;
}

} // namespace

int Quest::factionOf(const MonsterType* type)
{
    const FactionSystem* factions = FactionSystem::instance();
    if (!type || !factions) {
        return -1;
    }
    const std::string& name = !type->factionName.empty()
                                  ? type->factionName
                                  : (type->archetype ? type->archetype->factionName : type->factionName);
    return name.empty() ? -1 : factions->getFactionId(name);
}

MonsterType* Quest::pickRelatedMonsterType(const MonsterType* given, int questLevel, bool byFaction)
{
    const GameData* data = GameData::instance();
    if (!given || !data) {
        return nullptr;
    }
    const int n = data->countMonsterTypesAtLevel(questLevel);
    std::vector<MonsterType*> all;
    std::vector<MonsterType*> kept;
    const FactionSystem* factions = FactionSystem::instance();
    const int givenFaction = factionOf(given);
    for (int i = 0; i < n; ++i) {
        MonsterType* type = data->getMonsterTypeAtLevel(questLevel, i);
        if (!type) {
            continue;
        }
        all.push_back(type);
        bool related = false;
        if (byFaction) {
            related = factions && factions->getReputation(givenFaction, factionOf(type)) >
                                      factions->getMaxDislikeReputation();
        } else if (given->archetype && type->archetype) {
            const std::vector<std::string>& list = given->archetype->relatedClasses;
            related = std::find(list.begin(), list.end(), type->archetype->name) != list.end();
        }
        if (related) {
            kept.push_back(type);
        }
    }
    const std::vector<MonsterType*>& from = kept.empty() ? all : kept;
    const int pick = drawIndex(from.size());
    return pick < 0 ? nullptr : from[static_cast<size_t>(pick)];
}

void Quest::setUp(int flag, QuestBase* source)
{
    if (level == -1 || m_playerCopy || !definition) {
        return;
    }
    if (source) {
        fromSourceQuest = true;
    }
    const bool restoring = flag != 0;
    if (!restoring && !chooseTargets(source)) {
        invalid = true;
        return;
    }
    // The quest's people may wait in a level no player has built yet.
    SpawnSystem* spawns = SpawnSystem::instance();
    const bool allowed = spawns && spawns->placesInUnbuiltLevels();
    if (spawns) {
        spawns->setPlaceInUnbuiltLevels(true);
    }
    {
        Game::QuestPlacing placing(Game::instance());
        place(restoring, source);
    }
    if (spawns) {
        spawns->setPlaceInUnbuiltLevels(allowed);
    }
}

bool Quest::chooseTargets(QuestBase* source)
{
    Game* game = Game::instance();
    const GameData* data = GameData::instance();
    const World* world = World::instance();
    if (!game || !data) {
        return false;
    }
    if (definition->defaultLevel > 0) {
        const int lowest = world ? world->getMinMonsterLevel() : 1;
        level = lowest == 1 ? definition->defaultLevel : lowest + definition->defaultLevel;
    }
    if (!definition->duplicatesAllowed && game->hasDuplicateQuest(*this)) {
        return false;
    }
    if (!checkPrerequisites()) {
        return false;
    }

    MonsterType* sourceType = source ? source->getMonsterType(0) : nullptr;
    auto kindByLegendChance = [this] { return randomFloat() < definition->legendChance ? 6 : 5; };
    auto freeCandidates = [&](int kind) {
        return game->collectUnusedMonsterTypes(kind, level + definition->minLevelChange,
                                               level + definition->maxLevelChange);
    };
    auto countDraw = [this] { return randomIntInclusive(definition->minCount, definition->maxCount); };
    // A type is the quest's only while no other quest of the table uses it.
    auto registerType = [&](MonsterType* type) {
        if (!type || game->isMonsterTypeUsedByQuest(type)) {
            return false;
        }
        monsterType = type;
        return true;
    };
    const FactionSystem* factions = FactionSystem::instance();
    auto mayGoToWar = [factions](int a, int b) {
        return factions && a != b && !factions->isAtWar(a, b) && factions->canGoToWar(a, b);
    };
    Entity* pendingCarrier = nullptr;

    switch (static_cast<QuestType>(type)) {
    case QuestType::KillMonsters:
    case QuestType::Recruit:
        monsterType = sourceType ? sourceType : randomTypeAtLevel(level);
        break;
    case QuestType::MonsterQuestItem:
    case QuestType::ArmorsmithMonsterQuestItem:
    case QuestType::WeaponsmithMonsterQuestItem:
        monsterType = randomTypeAtLevel(level);
        break;
    case QuestType::Uprising:
    case QuestType::WarAgainstBarbarians:
        monsterType = sourceType ? pickRelatedMonsterType(sourceType, level, source->isBoss())
                                 : randomTypeAtLevel(level);
        if (!classHas(monsterType, &MonsterArchetype::canHaveUprising)) {
            return false;
        }
        break;
    case QuestType::StoryKillTurenScout:
    case QuestType::StoryTurenArmy:
    case QuestType::StoryKillShankarPartner:
    case QuestType::StoryKillCiglioGuard:
    case QuestType::StoryCiglioHorde:
    case QuestType::StoryKillDraaienMage:
    case QuestType::StoryDraaienNullifier:
    case QuestType::StoryDraaienArmy:
        monsterType = data->findMonsterType(definition->defaultMonster);
        break;
    case QuestType::UniqueMonsterSpotted:
    case QuestType::Assassin: {
        const std::vector<MonsterType*> candidates = freeCandidates(kindByLegendChance());
        const int pick = drawIndex(candidates.size());
        if (pick < 0) {
            return false;
        }
        monsterType = candidates[static_cast<size_t>(pick)];
        break;
    }
    case QuestType::MonsterScout:
        monsterType = randomTypeAtLevel(level);
        if (!classHas(monsterType, &MonsterArchetype::canBeSpawned)) {
            return false;
        }
        break;
    case QuestType::ScoutLocation: {
        const Player* player = game->getFirstPlayer();
        if (player && player->getStat(kLevelStat) >= level) {
            return false;
        }
        break;
    }
    case QuestType::GhostRevenge:
    case QuestType::Revenge: {
        const int kind = kindByLegendChance();
        const Quest* sourceQuest = dynamic_cast<const Quest*>(source);
        if (!source) {
            const std::vector<MonsterType*> candidates = freeCandidates(kind);
            const int pick = drawIndex(candidates.size());
            if (pick < 0) {
                return false;
            }
            monsterType = candidates[static_cast<size_t>(pick)];
        } else if (source->type == toIndex(QuestType::UniqueMonsterSpotted) || source->isBoss()) {
            if (!registerType(sourceType)) {
                return false;
            }
        } else {
            Entity* dead = sourceEntity(source);
            if (!dead) {
                return false;
            }
            if (is(QuestType::Revenge)) {
                // The first half of the text list speaks of men.
                const bool maleText = npcChoice < static_cast<int>(definition->textList.size()) / 2;
                const bool deadMale = sourceQuest ? sourceQuest->isNpcMale() : true;
                if (maleText != deadMale) {
                    return false;
                }
            }
            const Sentient* body = dynamic_cast<const Sentient*>(dead);
            const Actor* killer = body ? dynamic_cast<const Actor*>(body->getKillCredit()) : nullptr;
            const MonsterType* killerType = killer ? killer->getMonsterType() : nullptr;
            if (!killerType) {
                return false;
            }
            if (!killerType->unique && !killerType->legend) {
                monsterType = kind == 5 ? killerType->pickRandomUniqueVersion() : killerType->legendVersion;
            } else {
                monsterType = const_cast<MonsterType*>(killerType);
            }
        }
        if (!monsterType) {
            return false;
        }
        break;
    }
    case QuestType::KillMonsterGroup: {
        if (sourceType && !registerType(sourceType)) {
            return false;
        }
        const int n = countDraw();
        if (n < 1) {
            return false;
        }
        targets.assign(static_cast<size_t>(n), QuestTarget());
        const std::vector<MonsterType*> candidates = freeCandidates(5);
        if (static_cast<int>(candidates.size()) < 2 * n) {
            return false;
        }
        std::vector<int> picks;
        randomPickDistinct(static_cast<int>(candidates.size()), 2 * n, picks);
        int filled = 0;
        for (size_t p = 0; p < picks.size() && filled < n; ++p) {
            MonsterType* candidate =
                (p == 0 && sourceType) ? sourceType : candidates[static_cast<size_t>(picks[p])];
            const int rank = kindByLegendChance();
            bool friendly = true;
            for (int f = 0; f < filled && factions; ++f) {
                const float r = factions->getReputation(
                    factionOf(candidate), factionOf(targets[static_cast<size_t>(f)].monsterType));
                friendly = friendly && r >= factions->getMaxDislikeReputation();
            }
            if (!friendly) {
                continue;
            }
            QuestTarget& t = targets[static_cast<size_t>(filled++)];
            t.monsterType = candidate;
            t.count = 0;
            t.needed = 1;
            t.rank = rank;
        }
        if (filled < n) {
            return false;
        }
        break;
    }
    case QuestType::Meeting: {
        const int n = countDraw();
        const std::vector<MonsterType*> candidates = freeCandidates(5);
        // A meeting needs its two parties.
        if (n < 2 || static_cast<int>(candidates.size()) < n) {
            return false;
        }
        targets.assign(static_cast<size_t>(n), QuestTarget());
        std::vector<int> picks;
        randomPickDistinct(static_cast<int>(candidates.size()), n, picks);
        for (int i = 0; i < n; ++i) {
            QuestTarget& t = targets[static_cast<size_t>(i)];
            t.rank = kindByLegendChance();
            t.monsterType = candidates[static_cast<size_t>(picks[static_cast<size_t>(i)])];
            t.count = 0;
            t.needed = 1;
        }
        if (!classHas(targets[0].monsterType, &MonsterArchetype::canHaveUprising) ||
            !classHas(targets[1].monsterType, &MonsterArchetype::canHaveUprising)) {
            return false;
        }
        if (!mayGoToWar(factionOf(targets[0].monsterType), factionOf(targets[1].monsterType))) {
            return false;
        }
        break;
    }
    case QuestType::StoryShankarLuteKefah: {
        MonsterType* named = data->findMonsterType(definition->defaultMonster);
        if (!named) {
            return false;
        }
        monsterType = named;
        targets.clear();
        for (MonsterType* member : named->members) {
            QuestTarget t;
            t.monsterType = member;
            t.count = 0;
            t.needed = 1;
            targets.push_back(t);
        }
        if (targets.empty()) {
            return false;
        }
        break;
    }
    case QuestType::DeadlyPoison:
        monsterType = randomTypeAtLevel(level);
        if (!townNpcAt(npcChoice)) {
            return false;
        }
        break;
    case QuestType::Petrify: {
        monsterType = randomTypeAtLevel(level);
        Actor* npc = townNpcAt(npcChoice);
        questNpc = npc;
        if (!npc || static_cast<NpcType>(npc->getNpcType()) == NpcType::Apothecary ||
            game->findQuestByGiver(npc, toIndex(QuestType::Kidnapping))) {
            return false;
        }
        break;
    }
    case QuestType::Plague: {
        monsterType = randomTypeAtLevel(level);
        if (!monsterType) {
            return false;
        }
        const Level* target = world ? world->getLevel(getTargetLevel()) : nullptr;
        if (!target || !target->definition || !target->definition->isMonsterOfArea(monsterType)) {
            return false;
        }
        Carrier picked = pickCarrierCandidate();
        if (!picked.entity) {
            return false;
        }
        carriers.push_back(picked);
        pendingCarrier = carriers.back().entity.get();
        break;
    }
    case QuestType::War: {
        MonsterType* a = nullptr;
        MonsterType* b = nullptr;
        const bool sourceOffers =
            source && !source->isBoss() &&
            (source->type == toIndex(QuestType::War) || source->type == toIndex(QuestType::Meeting)) &&
            source->targets.size() >= 2;
        if (sourceOffers) {
            a = source->getMonsterType(0);
            b = source->getMonsterType(1);
            if (source->type == toIndex(QuestType::War) && randomFloat() < 0.5f) {
                std::swap(a, b);
            }
        } else if (source && source->isBoss()) {
            a = pickRelatedMonsterType(sourceType, level, true);
            b = pickRelatedMonsterType(sourceType, level, false);
        } else {
            std::vector<MonsterType*> window;
            data->collectMonsterTypes(0, level + definition->minLevelChange,
                                      level + definition->maxLevelChange, window);
            if (window.size() < 2) {
                return false;
            }
            a = window[static_cast<size_t>(drawIndex(window.size()))];
            b = window[static_cast<size_t>(drawIndex(window.size()))];
        }
        if (!a || !b || a == b || !factions) {
            return false;
        }
        const int fa = factionOf(a);
        const int fb = factionOf(b);
        float r = source ? 0.0f : factions->getReputation(fa, fb);
        if (r < factions->getMaxDislikeReputation()) {
            return false;
        }
        if (r < 50.0f) {
            r *= definition->reputationMult;
        } else if (r > 50.0f && definition->reputationMult != 0.0f) {
            r = std::min(100.0f, r / definition->reputationMult);
        }
        const float x = 100.0f - r;
        const float roll = randomFloat() * 10000.0f;
        if (x * x <= roll || !mayGoToWar(fa, fb)) {
            return false;
        }
        targets.assign(2, QuestTarget());
        targets[0].monsterType = a;
        targets[0].needed = 1;
        targets[1].monsterType = b;
        targets[1].needed = 1;
        // The war stays even when a later check fails.
        FactionSystem::instance()->declareWar(fa, fb);
        if (source && source->type == toIndex(QuestType::War)) {
            sendGameMessage(wrapText("QuestEventWarWar", "%s %s %s", a->getName().c_str(),
                                     b->getName().c_str(), titleArgument().c_str()),
                            3);
        }
        break;
    }
    case QuestType::MonsterQuest: {
        targets.assign(2, QuestTarget());
        if (source && source->targets.size() >= 2) {
            const bool swap = randomFloat() < 0.5f;
            targets[0].monsterType = source->getMonsterType(swap ? 1 : 0);
            targets[1].monsterType = source->getMonsterType(swap ? 0 : 1);
        } else {
            MonsterType* a = randomTypeAtLevel(level);
            MonsterType* b = randomTypeAtLevel(level);
            if (!a || !b || a == b || a->archetype == b->archetype ||
                !classHas(b, &MonsterArchetype::canGiveMonsterQuest)) {
                return false;
            }
            const int fa = factionOf(a);
            const int fb = factionOf(b);
            if (fa == fb || !factions || !factions->canGoToWar(fa, fb)) {
                return false;
            }
            const float x = 100.0f - factions->getReputation(fa, fb);
            if (x * x < randomFloat() * 10000.0f) {
                return false;
            }
            targets[0].monsterType = a;
            targets[1].monsterType = b;
        }
        targets[0].needed = 1;
        targets[1].needed = 0;
        break;
    }
    case QuestType::TownAttack:
        monsterType = sourceType ? pickRelatedMonsterType(sourceType, level, source->isBoss())
                                 : randomTypeAtLevel(level);
        if (!classHas(monsterType, &MonsterArchetype::canBeSpawned)) {
            return false;
        }
        pickTownAttackTarget();
        break;
    case QuestType::Escort:
        computeTargetLevels();
        if (getTargetLevel() == getSecondTargetLevel()) {
            return false;
        }
        break;
    case QuestType::Thief: {
        // A thief needs a vendor with goods to steal from.
        bool vendorOpen = false;
        for (NpcType t :
             {NpcType::VendorBasic, NpcType::VendorWeapon, NpcType::VendorArmor, NpcType::Gambler}) {
            vendorOpen = vendorOpen || isVendorOpen(t);
        }
        if (!vendorOpen) {
            return false;
        }
        break;
    }
    case QuestType::Kidnapping: {
        Actor* npc = townNpcAt(npcChoice);
        questNpc = npc;
        if (!npc || static_cast<NpcType>(npc->getNpcType()) == NpcType::Steward || game->isPlayerInTown() ||
            game->findQuestByGiver(npc, toIndex(QuestType::Petrify))) {
            return false;
        }
        const std::vector<MonsterType*> candidates = freeCandidates(kindByLegendChance());
        const int pick = drawIndex(candidates.size());
        if (pick < 0) {
            return false;
        }
        monsterType = candidates[static_cast<size_t>(pick)];
        if (!classHas(monsterType, &MonsterArchetype::canKidnap)) {
            return false;
        }
        break;
    }
    case QuestType::Renegade:
        if (source && !registerType(sourceType)) {
            return false;
        }
        break;
    case QuestType::RenegadeAttack:
        if (!source || !registerType(sourceType)) {
            return false;
        }
        questNpc = sourceEntity(source);
        break;
    case QuestType::Siege:
        if (!data->findMonsterType(definition->monsterType)) {
            return false;
        }
        monsterType = sourceType ? sourceType : randomTypeAtLevel(level);
        if (!classHas(monsterType, &MonsterArchetype::canBeSpawned)) {
            return false;
        }
        break;
    default:
        break;
    }

    // Closing checks, every type; the quest is not in the table yet.
    if (!definition->alwaysAdd) {
        if (!definition->duplicatesAllowed && game->hasDuplicateQuest(*this)) {
            return false;
        }
        if (definition->hasUniqueMonster && (!world || !world->levelAllowsUniqueMonsters(getTargetLevel()))) {
            return false;
        }
    }
    // A quest that must always be made (a story step) brings its monster to
    // its level through its spawn entry even where the area lacks it; any
    // other stands only where its monster spawns.
    if (definition->monsterSpawnChanceMult > 0.0f) {
        const Level* target = world ? world->getLevel(getTargetLevel()) : nullptr;
        if (!monsterType || !target || !target->definition ||
            (!definition->alwaysAdd && !target->definition->isMonsterOfArea(monsterType))) {
            return false;
        }
    }
    // The plague is told and caught only once it is sure to stay.
    if (Sentient* carrier = dynamic_cast<Sentient*>(pendingCarrier)) {
        sendGameMessage(wrapText("QuestAnnouncePlague"), 3);
        sendGameMessage(wrapText("QuestEventSpread", "%s", getNpcDisplayName(carrier).c_str()), 3);
        if (definition->statusEffect) {
            carrier->addStatusEffect(definition->statusEffect, carrier, level);
        }
    }
    return true;
}
