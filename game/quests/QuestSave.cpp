// A Game quest's record in the world save: the shared quest record by name,
// then what the server alone keeps.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"

#include <cmath>
#include <memory>

namespace {

// Older saves lack these fields.
constexpr int kFirstVersionWithMultiplier = 6;
constexpr int kFirstVersionWithSource = 24;
constexpr int kFirstVersionWithRecruitFlag = 28;

bool isAlive(const Entity* entity)
{
    return entity && entity->getHealth() > 0 && entity->getMaxHealth() > 0;
}

} // namespace

void Quest::write(ByteBuffer& out) const
{
    QuestBase::write(out, true);
    if (is(QuestType::Recruit) && !failed) {
        // A candidate fallen, or taken in by a covenant, is no one's to
        // recruit any more: a load does not make it stand again.
        const Actor* recruit = dynamic_cast<const Actor*>(questNpc.get());
        if (recruit && ((recruit->getMaxHealth() > 0 && recruit->getHealth() <= 0) || recruit->getCovenant()))
            recruit = nullptr;
        out.writeInt(static_cast<int32_t>(recruit ? 1 : 0));
        if (recruit) {
            recruit->writeCreationInfo(out);
        }
    }
    out.writeInt(static_cast<int32_t>(successCount));
    out.writeFloat(multiplier);
    if (is(QuestType::Plague)) {
        // Carriers read back but not bound yet are kept as they were read.
        std::vector<const Carrier*> kept;
        for (const Carrier& carrier : carriers) {
            if (carriersPending || isAlive(carrier.entity.get())) {
                kept.push_back(&carrier);
            }
        }
        out.writeInt(static_cast<int32_t>(kept.size()));
        for (const Carrier* carrier : kept) {
            out.writeInt(carrier->covenantIndex);
            out.writeInt(carrier->slot);
        }
    }
    if (is(QuestType::TownAttack)) {
        out.writeZonePosition(attackPosition);
        const Entity* gate = questNpc.get();
        const float health = gate && gate->getMaxHealth() > 0 ? static_cast<float>(gate->getHealth()) /
                                                                    static_cast<float>(gate->getMaxHealth())
                                                              : 0.0f;
        out.writeFloat(health);
    }
    out.writeInt(static_cast<int32_t>(fromSourceQuest ? 1 : 0));
}

bool Quest::read(ByteBuffer& in, int version)
{
    // The whole record into scratch values first.
    Quest scratch;
    if (!scratch.QuestBase::read(in, false, true, version)) {
        return false;
    }
    const bool recruitQuest = scratch.type == toIndex(QuestType::Recruit) && !scratch.failed;
    std::unique_ptr<Actor> recruit;
    bool recruitLost = false;
    if (recruitQuest) {
        const bool hasRecruit = version >= kFirstVersionWithRecruitFlag ? in.readInt() != 0 : true;
        if (hasRecruit && !in.failed()) {
            recruit = std::make_unique<Actor>();
            if (!recruit->readCreationInfo(in)) {
                recruitLost = !in.failed();
                recruit.reset();
            }
        }
    }
    const int readSuccess = in.readInt();
    const float readMultiplier = version >= kFirstVersionWithMultiplier ? in.readFloat() : 1.0f;
    std::vector<Carrier> readCarriers;
    if (scratch.type == toIndex(QuestType::Plague)) {
        const uint32_t n = in.readCount(8);
        for (uint32_t i = 0; i < n && !in.failed(); ++i) {
            Carrier carrier;
            carrier.covenantIndex = in.readInt();
            carrier.slot = in.readInt();
            readCarriers.push_back(carrier);
        }
    }
    ZonePosition readAttack{-1, 0.0f, 0.0f};
    float readGate = 1.0f;
    if (scratch.type == toIndex(QuestType::TownAttack)) {
        readAttack = in.readZonePosition();
        readGate = in.readFloat();
    }
    const bool readSource = version >= kFirstVersionWithSource ? in.readInt() != 0 : false;
    if (in.failed()) {
        return false;
    }
    if (scratch.progress < 0 || !std::isfinite(readMultiplier) || readMultiplier <= 0.0f ||
        !std::isfinite(readGate) || readGate < 0.0f || readGate > 1.0f || !std::isfinite(readAttack.x) ||
        !std::isfinite(readAttack.y)) {
        debugPrint(2, "Quest record %d: a value out of range, refused\n", scratch.id);
        return false;
    }
    if (recruitLost) {
        // Read whole, but its recruit's type is gone: the slot stays empty.
        debugPrint(2, "Quest record %d: its recruit cannot be made again, quest dropped\n", scratch.id);
        reset();
        return true;
    }

    // Whole and valid: apply.
    static_cast<QuestBase&>(*this) = static_cast<const QuestBase&>(scratch);
    successCount = readSuccess;
    multiplier = readMultiplier;
    carriers = std::move(readCarriers);
    carriersPending = !carriers.empty();
    attackPosition = readAttack;
    gateHealth = readGate;
    fromSourceQuest = readSource;
    if (recruit) {
        questNpc = recruit.release();
    }
    if (level == -1) {
        return true;
    }
    rollChoices(false);
    setUp(1, nullptr);
    randomizeParameters();
    if (is(QuestType::Recruit) && questNpc) {
        placeRecruitNpc();
    }
    return true;
}

// Carriers read back find their bodies and fall ill again. The townsfolk
// are bound as soon as the world is loaded; the player's entry and the
// recruits wait for the player to join, since the player's covenant gets its
// recruits only then (bound earlier, one would be lost from the next save).
void Quest::rebindCarriers()
{
    Game* game = Game::instance();
    if (!game) {
        return;
    }
    Player* player = game->getFirstPlayer();
    bool waiting = false;
    for (Carrier& carrier : carriers) {
        if (carrier.entity.get()) {
            continue;
        }
        Entity* bound = nullptr;
        if (carrier.slot == -1) {
            if (!player) {
                waiting = true;
                continue;
            }
            bound = player;
        } else if (carrier.covenantIndex == -1) {
            bound = game->getTownNpcAt(carrier.slot);
        } else if (!player) {
            waiting = true;
            continue;
        } else if (const Covenant* covenant = game->getCovenant(carrier.covenantIndex)) {
            if (carrier.slot >= 0 && carrier.slot < covenant->getRecruitSlotCount()) {
                bound = covenant->getRecruitActor(carrier.slot);
            }
        } else {
            continue;
        }
        carrier.entity = bound;
        Sentient* body = dynamic_cast<Sentient*>(bound);
        if (body && is(QuestType::Plague) && definition && definition->statusEffect) {
            body->addStatusEffect(definition->statusEffect, body, 1);
        }
    }
    carriersPending = waiting;
}
