#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Gate.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"

namespace {

// A plain gate from the entry at the point, added to the game; false when
// the table is full.
bool addGate(Game& game, const char* entryName, int kind, const ZonePosition& at)
{
    auto* gate = new Gate();
    const Database* db = Database::instance();
    if (const DatabaseEntry* entry = db ? db->findEntry(entryName) : nullptr) {
        gate->setEntry(entry, entryName);
        gate->loadFromDatabase();
    }
    gate->setKind(kind);
    gate->setPosition(at);
    gate->setSecondaryPosition(at);
    if (game.addEntity(gate) < 0) {
        delete gate;
        return false;
    }
    return true;
}

} // namespace

void Game::createGates()
{
    const World* world = World::instance();
    const int levels = world ? world->getLevelCount() : 0;
    for (int i = 0; i < levels; ++i) {
        const Level* level = world->getLevel(i);
        if (!level) {
            continue;
        }
        if (level->gateFlag) {
            addGate(*this, "ObjectGate", Gate::kLevelGate, level->gateSpot);
        }
        for (int c = 0; c < level->getConnectionCount(); ++c) {
            const ConnectionPoint* point = level->getConnection(c);
            if (!point || point->targetLevel < i) {
                continue;
            }
            // Each connected pair once, from its lower-numbered side.
            const Level* target = world->getLevel(point->targetLevel);
            const ConnectionPoint* back = target ? target->getConnection(point->targetConnection) : nullptr;
            if (back) {
                createLinkedGates(point->position, back->position, Gate::kConnection);
            }
        }
    }
    const GameData* data = GameData::instance();
    const int townGates = data ? static_cast<int>(data->rules().townGatePositions.size()) : 0;
    for (int i = 0; i < townGates; ++i) {
        addGate(*this, "ObjectTownGate", Gate::kTown, data->getTownGatePosition(i));
    }
}

void Game::settleGates(int levelIndex)
{
    // Gates are made before their level is built; one that stands in rock
    // moves to its settled spot, or the nearest free spot around it.
    const World* world = World::instance();
    const Level* level = world ? world->getLevel(levelIndex) : nullptr;
    if (!level) {
        return;
    }
    std::vector<ZonePosition> spots;
    if (level->gateFlag) {
        spots.push_back(level->gateSpot);
    }
    for (int c = 0; c < level->getConnectionCount(); ++c) {
        if (const ConnectionPoint* point = level->getConnection(c)) {
            spots.push_back(point->position);
        }
    }
    for (int i = 0; i < kMaxEntities; ++i) {
        auto* gate = dynamic_cast<Gate*>(m_entities[i].entity);
        if (!gate || gate->getPosition().zone != levelIndex || !isBlockedForMovement(gate->getPosition())) {
            continue;
        }
        const ZonePosition at = gate->getPosition();
        const ZonePosition* nearest = nullptr;
        float best = 0.0f;
        for (const ZonePosition& spot : spots) {
            const float d = ZonePosition::distanceTo(at, spot);
            if (!nearest || d < best) {
                nearest = &spot;
                best = d;
            }
        }
        ZonePosition target = at;
        if (nearest && !isBlockedForMovement(*nearest)) {
            target = *nearest;
        } else if (!findFreeSpotNear(at, 4, target, gate, false)) {
            continue;
        }
        gate->setPosition(target);
        gate->setSecondaryPosition(target);
    }
}
