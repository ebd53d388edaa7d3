#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/StringUtil.h"
#include "engine/core/ZonePosition3.h"
#include "engine/input/Input.h"
#include "game/quests/QuestDefinition.h"

#include "game/definitions/GameData.h"
#include "game/world/World.h"
#include "sound/SoundSystem.h"
#include <cmath>

namespace {

enum SoundIndex { kIdentifying, kDoneIdentifying, kChest, kStash, kBody, kGate, kTimeTick };

// Actions under which a standing player turns to its target.
bool facesTarget(int action)
{
    return (action >= 5 && action <= 11) || (action >= 15 && action <= 22) || (action >= 24 && action <= 28);
}

} // namespace

void PlayerClient::update(float dt)
{
    EntityClient* mirror = serverMirror.get();
    if (!mirror) {
        return;
    }
    EntityBase::update(dt);
    GameClient* game = GameClient::instance();
    Client* client = Client::instance();
    PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;

    // The held move button drags the destination along.
    if (moveButtonHeld && client) {
        int x = 0;
        int y = 0;
        if (const Input* input = Input::instance()) {
            input->getMousePosition(x, y);
        }
        setDestination(client->screenToWorld(static_cast<float>(x), static_cast<float>(y)), true);
    }

    // Action upkeep.
    EntityClient* current = target.get();
    if (action == kActionDead && mirror->isAlive()) {
        setAction(kActionNone, true, true);
    }
    if (!current && action != kActionDead) {
        setAction(kActionNone, true, false);
    }
    if (action == kActionAttack && current && current->isDead()) {
        setAction(kActionNone, true, false);
    }
    bool gameLost = game && game->isLoaded() && covenant && covenant->destroyed;
    if (mirror->isDead() && !gameLost) {
        setAction(kActionDead, true, false);
    }
    // A paid quest leaves nothing to hand in: its window goes with the action.
    if (action == kActionSolveQuest && current && current->getMouseAction(true, false) != kActionSolveQuest) {
        setAction(kActionNone, true, false);
    }
    if (action == kActionApproach && current && isTargetInReach()) {
        setAction(current->getMouseAction(true, false), false, true);
    }
    if (uiForcedAction) {
        setAction(kActionForced, true, false);
    } else if (action == kActionForced) {
        // The trading window that held the player is gone: the hold ends
        // with it, or the player would stand still until its next click.
        setAction(kActionNone, true, false);
    }

    // Walking, then a standing player faces what it deals with.
    followPath(dt);
    current = target.get();
    if (!movedThisFrame && current && current != this && facesTarget(action)) {
        faceEntity(current);
    }
    firePendingSkill();

    if (!getAnimationRecord(getAnimation()) || !isAnimationPlaying()) {
        playAnimation(hasFlag(EntityBase::kFlagHidden) ? "idleStealth" : "idle", 0, 0, false);
    }

    const GameData* data = GameData::instance();
    if (data) {
        if (const CharacterClass* characterClass = data->findCharacterClassById(stats.get(kStatClass))) {
            skills->update(characterClass, dt, this);
        }
    }
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        if (isQuestSlotActive(slot)) {
            quests[static_cast<size_t>(slot)]->update(&hotkeyTable);
        }
    }
    announceLevel();
    updateActivity();
    updateQuestClock();
    addOwnLight();

    // A target out of reach that the player cannot keep is let go.
    current = target.get();
    if (current && data && data->rules().maxSelectedEntityDistance > 0.0f) {
        float distance = distanceToEntity(current, false);
        // Only the player's own people stay selected from afar; no covenant counts as another.
        bool keep = current->isSelectable() && current->getCovenantIndex() >= 0 &&
                    current->getCovenantIndex() == getCovenantIndex();
        if (distance > data->rules().maxSelectedEntityDistance && !keep) {
            setAction(kActionNone, true, true);
            pendingSkillTree = -1;
            pendingSkillIndex = -1;
            target = nullptr;
        }
    }
    fadeUseHints(dt);
    checkHelpCues();
}

void PlayerClient::announceLevel()
{
    World* world = World::instance();
    int level = m_position.zone;
    std::string name = level >= 0 && world ? world->getLevelName(level) : std::string();
    if (name == currentLevelName) {
        return;
    }
    currentLevelName = name;
    if (name.empty()) {
        return;
    }
    bool discovered = level > 0 && static_cast<size_t>(level) < exploredLevels.size() &&
                      !exploredLevels[static_cast<size_t>(level)];
    if (Client* client = Client::instance()) {
        client->addTextEvent(formatString(discovered ? "Discovered %s" : "Entering %s", name.c_str()), 320.0f,
                             100.0f, 5.0f, 2, true, false);
    }
}

void PlayerClient::playOwnerSound(const ResourceHandle& handle, bool stopFirst)
{
    SoundSystem* sound = SoundSystem::instance();
    if (!sound || !sound->isInitialized() || !handle.isValid()) {
        return;
    }
    if (stopFirst) {
        sound->stopOwnerSound(getEntityNumber(), 0);
    }
    ZonePosition3 at(m_position.zone, m_position.x, m_position.y, 0.0f);
    sound->playOwnerSound(handle, false, at, 0.0f, 0.0f, getEntityNumber(), 0);
}

void PlayerClient::updateActivity()
{
    EntityClient* mirror = serverMirror.get();
    int now = mirror ? mirror->getProgressKind() : 0;
    if (now == activity) {
        return;
    }
    if (now >= 2 && now <= 5) {
        static constexpr int kCue[4] = {kIdentifying, kChest, kStash, kBody};
        playOwnerSound(m_sounds[static_cast<size_t>(kCue[now - 2])], true);
    } else if (now == 6) {
        playOwnerSound(m_sounds[kGate], true);
    } else if (now == 0) {
        if (SoundSystem* sound = SoundSystem::instance(); sound && sound->isInitialized()) {
            sound->stopOwnerSound(getEntityNumber(), 0);
        }
        if (activity == 2) {
            playOwnerSound(m_sounds[kDoneIdentifying], false);
        }
    }
    activity = now;
}

void PlayerClient::checkHelpCues()
{
    EntityClient* mirror = serverMirror.get();
    if (!mirror) {
        return;
    }
    if (mirror->getHealth() * 2 < mirror->getMaxHealth()) {
        showHelpTopic("LowHealth");
    }
    GameClient* game = GameClient::instance();
    if (game && !partyMembers.empty()) {
        if (EntityClient* member = game->getEntity(partyMembers.front());
            member && member->getHealth() * 2 < member->getMaxHealth()) {
            showHelpTopic("PartyMemberLowHealth");
        }
    }
    if (mirror->isDead()) {
        showHelpTopic("Death");
    }
}

void PlayerClient::updateQuestClock()
{
    GameClient* game = GameClient::instance();
    if (!game) {
        return;
    }
    const GameTime& now = game->getGameTime();
    double best = -1.0;
    // Only quests with a deadline that are still open count; the world's own
    // quests only when they are announced ones.
    const auto consider = [&](const QuestClient* quest, bool shared) {
        const QuestDefinition* definition = quest ? quest->definition : nullptr;
        if (!definition || definition->maxTime <= 0.0f || quest->invalid || quest->failed ||
            quest->isComplete() || (shared && !definition->announce)) {
            return;
        }
        double left = quest->getTimeLeft(now);
        if (best < 0.0 || left < best) {
            best = left;
        }
    };
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        if (isQuestSlotActive(slot)) {
            consider(quests[static_cast<size_t>(slot)].get(), false);
        }
    }
    for (size_t i = 0; i < game->getQuestCount(); ++i) {
        consider(game->getQuest(static_cast<int>(i)), true);
    }
    if (best < 0.0) {
        return;
    }
    int seconds = static_cast<int>(std::floor(best));
    if (seconds < 60 && seconds != lastQuestSecondsShown) {
        playOwnerSound(m_sounds[kTimeTick], false);
        lastQuestSecondsShown = seconds;
    }
}
