// What the world passes on to covenants and quests about a single body:
// a blow that involved a covenant, and a body back on its feet in a plague.
#include "game/covenants/Covenant.h"
#include "game/entities/Sentient.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"

void Game::notifyCovenantsOfAttack(Entity* attacker, Entity* victim)
{
    if (!attacker || !victim || (!attacker->getCovenant() && !victim->getCovenant())) {
        return;
    }
    SafePtr<Entity> attackerRef(attacker);
    SafePtr<Entity> victimRef(victim);
    // A covenant's answer may end a fight: both must still stand for the next one.
    for (int i = 0; i < getCovenantCount() && attackerRef.get() && victimRef.get(); ++i) {
        if (Covenant* covenant = getCovenant(i)) {
            covenant->onAttackNoticed(attacker, victim);
        }
    }
}

void Game::applyPlagueEffects(Sentient* body)
{
    if (!body) {
        return;
    }
    SafePtr<Entity> bodyRef(body);
    forEachQuest([&](Quest& quest) {
        if (bodyRef.get() && quest.type == toIndex(QuestType::Plague) && quest.definition &&
            quest.definition->statusEffect && quest.isCarrier(body)) {
            body->addStatusEffect(quest.definition->statusEffect, body, quest.level);
        }
    });
}
