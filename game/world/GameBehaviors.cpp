#include "game/world/Game.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/ai/BehaviorBase.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"

void Game::createBehaviorStacks()
{
    m_behaviorStacks.clear();
    const Database* db = Database::instance();
    const GameData* data = GameData::instance();
    if (!db || !data) {
        return;
    }
    for (const std::unique_ptr<MonsterArchetype>& archetype : data->getMonsterArchetypes()) {
        if (!archetype || archetype->behaviorStack.empty()) {
            continue;
        }
        const std::string& name = archetype->behaviorStack;
        if (!db->findEntry(name)) {
            // The class keeps an empty stack: its monsters stand idle.
            const DatabaseEntry* entry = archetype->getEntry();
            debugPrint(2, "%s:%d: BehaviorStack %s names no entry\n",
                       entry ? entry->getFileName().c_str() : "?", entry ? entry->getLine() : 0,
                       name.c_str());
        }
        auto stack = std::make_unique<BehaviorStack>();
        stack->load(archetype.get(), name);
        m_behaviorStacks.push_back(std::move(stack));
    }
}

const BehaviorStack* Game::findBehaviorStack(const MonsterArchetype* archetype) const
{
    if (!archetype) {
        return nullptr;
    }
    for (const std::unique_ptr<BehaviorStack>& stack : m_behaviorStacks) {
        if (stack->getMonsterClass() == archetype) {
            return stack.get();
        }
    }
    return nullptr;
}

void Game::copyBehaviorStack(const MonsterArchetype* archetype, Actor* actor, BehaviorList& list) const
{
    const BehaviorStack* stack = findBehaviorStack(archetype);
    if (!stack) {
        return;
    }
    if (actor && &list == &actor->getBehaviorList()) {
        // A second set replaces the first (its current one is stopped).
        actor->setBehaviors(*stack);
    } else {
        stack->createInstances(actor, list);
    }
}
