// Skill use from the client: the request line, the walk into range of a
// skill asked for too far away, and the server's answer.
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/input/Input.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillRefusal.h"

#include <algorithm>

void PlayerClient::useSkill(int tree, int index)
{
    SkillBase* skill = skills->findByTreeSlot(tree, index);
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    if (!definition) {
        return;
    }
    EntityClient* current = getTarget(true);
    if (definition->canAutoAttack && SkillClient::checkUse(*skill, this, stats, current, getFlags()) ==
                                         static_cast<int>(SkillRefusal::OutOfRange)) {
        // Walk into range first; the update sends the skill from there.
        setAction(kActionAttack, false, false);
        pendingSkillTree = tree;
        pendingSkillIndex = index;
        return;
    }
    if (auto* own = dynamic_cast<SkillClient*>(skill)) {
        own->waiting = true;
    }
    if (tree == 0 && index == 0) {
        if (current) {
            setAction(kActionAttack, false, true);
        }
        return;
    }
    if (action == kActionNoMenu || action == kActionLifeStone) {
        setAction(kActionNone, true, true);
    }
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    int x = 0;
    int y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    ZonePosition at = client->screenToWorld(static_cast<float>(x), static_cast<float>(y));
    int targetNumber = -1;
    if (definition->needsFriend) {
        int member = client->getUi().hoveredMember();
        if (member >= 0 && isPartyMember(member)) {
            targetNumber = member;
        }
    }
    client->queueServerCommand(formatString("useSkill %d %d %d %d %f %f", tree, index, targetNumber, at.zone,
                                            static_cast<double>(at.x), static_cast<double>(at.y)));
    if (!definition->dontLookAtTarget && current && current != this) {
        faceEntity(current);
    }
    if (definition->stopAttacking && action == kActionAttack) {
        setAction(kActionNone, true, true);
    }
}

void PlayerClient::firePendingSkill()
{
    if (pendingSkillTree < 0 || pendingSkillIndex < 0) {
        return;
    }
    SkillBase* skill = skills->findByTreeSlot(pendingSkillTree, pendingSkillIndex);
    const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
    if (!definition) {
        return;
    }
    EntityClient* current = action == kActionAutoAttack ? getTarget(true) : target.get();
    if (SkillClient::checkUse(*skill, this, stats, current, getFlags()) == 0 && skill->isReady() &&
        definition->isWellInRange(this, current)) {
        int tree = pendingSkillTree;
        int index = pendingSkillIndex;
        pendingSkillTree = -1;
        pendingSkillIndex = -1;
        useSkill(tree, index);
    }
}

void PlayerClient::onSkillUsed(int definitionId, bool used)
{
    if (definitionId < 0) {
        return;
    }
    for (SkillBase* skill : skills->getSkills()) {
        const SkillDefinition* definition = skill->getDefinition();
        const DatabaseEntry* entry = definition ? definition->getEntry() : nullptr;
        if (!entry || static_cast<int>(entry->getId()) != definitionId) {
            continue;
        }
        if (auto* own = dynamic_cast<SkillClient*>(skill)) {
            own->waiting = false;
        }
        if (used) {
            skill->getUseTimer().start(definition->getReuseTime(skill->getLevel()));
        }
        return;
    }
}
