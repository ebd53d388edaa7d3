#pragma once

#include <functional>
#include <memory>

class Actor;
class Entity;
class MonsterType;
class QuestBase;
class Sentient;
struct Vec2;
struct ZonePosition;

// Services of the spawn, quest and world code that a dying or attacked
// monster asks for. Each does nothing until its owner fills it in.
struct GameHooks {
    // The spawn system drops a dead monster's loot.
    std::function<void(Actor* monster, float share, int extraMoney, float extraItemsChance,
                       float extraMagicChance)>
        dropMonsterLoot;
    // A quest NPC died; the credit may be null.
    std::function<void(Actor* npc, Sentient* killCredit)> questNpcDied;
    // A quest NPC was attacked.
    std::function<void(Actor* npc, Entity* attacker)> questNpcAttacked;
    // An NPC outside covenants died: the world hears of it.
    std::function<void(Actor* npc)> announceDeath;
    // Every monster death, after the rest of the bookkeeping.
    std::function<void(Actor* monster, Sentient* killCredit)> monsterDied;
    // A monster was spawned and placed (with the type spawned before it, or
    // null): quests of unique and legendary monsters start here.
    std::function<void(Actor* monster, const MonsterType* previous)> monsterSpawned;
    // A body (a monster or a player) came back to life.
    std::function<void(Sentient* body)> applyPlagueEffects;
    // The weather at a spot: rain and the wind vector; when set it answers
    // in place of the Game's weather.
    std::function<void(const ZonePosition& position, float& rain, Vec2& wind)> weatherAt;
    // The recruit quest a computer-run covenant holds (none until the quest
    // code provides it).
    std::function<std::unique_ptr<QuestBase>()> createCovenantQuest;
};
