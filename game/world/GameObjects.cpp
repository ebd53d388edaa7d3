#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/entities/Gate.h"
#include "game/world/Game.h"
#include "game/world/Weather.h"
#include "game/world/World.h"

namespace {

// Rings searched around each end of a pair of linked gates.
constexpr int kGateRings = 4;
constexpr const char* kPlainGateEntry = "ObjectGate";

} // namespace

void Game::getWeatherAt(const ZonePosition& position, float& rain, Vec2& wind) const
{
    rain = 0.0f;
    wind = Vec2(0.0f, 0.0f);
    if (m_hooks.weatherAt) {
        m_hooks.weatherAt(position, rain, wind);
        return;
    }
    m_weather->getIntensityAt(position, rain, wind);
}

void Game::createLinkedGates(const ZonePosition& a, const ZonePosition& b, int kind)
{
    World* world = World::instance();
    const Database* db = Database::instance();
    const ZonePosition points[2] = {a, b};
    Gate* gates[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i) {
        auto* gate = new Gate();
        std::string name =
            world ? world->getGateName(points[i].zone, kind, points[1 - i].zone) : std::string();
        const DatabaseEntry* entry = (db && !name.empty()) ? db->findEntry(name) : nullptr;
        if (!entry && db) {
            name = kPlainGateEntry;
            entry = db->findEntry(name);
        }
        if (entry) {
            gate->setEntry(entry, name);
            gate->loadFromDatabase();
        }
        gate->setKind(kind);
        ZonePosition spot = points[i];
        findFreeSpotNear(points[i], kGateRings, spot, gate, true);
        gate->setPosition(spot);
        gate->setSecondaryPosition(spot);
        gates[i] = gate;
    }
    gates[0]->setLinked(gates[1]);
    gates[1]->setLinked(gates[0]);
    for (Gate* gate : gates) {
        if (addEntity(gate) < 0) {
            // A full table: the orphan is not kept; its partner links nowhere.
            delete gate;
        }
    }
}
