#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GateList.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "game/world/WorldGateSource.h"

#include <algorithm>
#include <vector>

namespace {

// How many computer-run covenants a world gets: the wanted number when the
// rules allow it, else a draw between their minimum and maximum.
int computerCovenantCount(int wanted)
{
    const GameRules& rules = worldRules();
    const int lo = rules.minAiCovenants;
    const int hi = rules.maxAiCovenants;
    if (wanted >= lo && wanted <= hi) {
        return wanted;
    }
    const int span = hi - lo + 1;
    int r = static_cast<int>(randomFloat(0) * static_cast<float>(span));
    if (r >= span) {
        r = span - 1;
    }
    return std::max(0, lo + r);
}

// Every definition but the last that exists and allows the difficulty, in
// list order.
std::vector<int> covenantCandidates(int worldDifficulty)
{
    std::vector<int> out;
    const GameData* data = GameData::instance();
    if (!data) {
        return out;
    }
    const auto& list = data->getCovenantDefinitions();
    for (size_t i = 0; i + 1 < list.size(); ++i) {
        const CovenantDefinition* definition = list[i].definition;
        if (definition && definition->MinDifficultyLevel <= worldDifficulty) {
            out.push_back(static_cast<int>(i));
        }
    }
    return out;
}

} // namespace

int Game::generateWorld(int startingLevel, int difficulty, int worldDifficulty, int numAiCovenants)
{
    if (m_worldGenerated) {
        return 0;
    }
    // The monster levels of the world follow its difficulty (a Normal world
    // after a harder one goes back to no offset).
    if (GameData* data = GameData::instance()) {
        data->setWorldDifficulty(worldDifficulty);
    }
    World* world = World::instance();
    if (world) {
        // A zero seed makes the World draw its layout seed from stream 0.
        world->setWorldSeed(0);
        world->setStartLevelIndex(worldDifficulty);
        world->load();
        const uint32_t secretSeed = Random::next(0);
        if (secretSeed != world->getSecretSeed()) {
            world->setSecretSeed(secretSeed);
            world->createSecretLevels();
        }
        world->addTownView();
        GateList::setWorldSource(&WorldGateSource::instance());
    }
    resizeForWorld(world ? world->getLevelCount() : 0);

    int wanted = computerCovenantCount(numAiCovenants);
    // A covenant without a start position would build its house nowhere.
    const int positions = m_settings.covenantPositionCount;
    if (wanted > positions) {
        debugPrint(2, "New world: %d computer covenants wanted but only %d start positions; %d are made\n",
                   wanted, positions, positions);
        wanted = positions;
    }
    std::vector<int> candidates = covenantCandidates(worldDifficulty);
    std::vector<int> drawn;
    randomPickDistinct(static_cast<int>(candidates.size()), wanted, drawn);

    // The count stored is the number actually made, so nothing below or in
    // the save reaches a covenant that is not there.
    int made = 0;
    for (int pick : drawn) {
        auto covenant = std::make_unique<ActorCovenant>();
        ActorCovenant* added = covenant.get();
        if (addCovenant(std::move(covenant)) < 0) {
            break;
        }
        added->setDefinitionIndex(candidates[static_cast<size_t>(pick)]);
        ZonePosition house;
        takeRandomCovenantPosition(house);
        added->initNew(house, startingLevel, difficulty);
        added->updateStats();
        ++made;
    }
    m_aiCovenantCount = made;
    for (int i = 0; i < made; ++i) {
        if (auto* covenant = dynamic_cast<ActorCovenant*>(getCovenant(i))) {
            covenant->initRelations();
        }
    }

    createGates();
    setDifficulty(difficulty);
    // The first update with a player makes the world's opening quests.
    m_initialQuestsPending = true;
    m_worldGenerated = true;
    return made;
}

bool Game::startNewWorld(int startingLevel, int difficulty, int worldDifficulty, int numAiCovenants)
{
    Player* player = getFirstPlayer();
    if (!player) {
        return false;
    }
    const int oldNumber = player->getEntityNumber();
    removeEntity(player);
    // The player's covenant leaves the list before it is cleared.
    std::unique_ptr<Covenant> covenant;
    Covenant* own = player->getCovenant();
    for (std::unique_ptr<Covenant>& held : m_covenants) {
        if (held && held.get() == own) {
            covenant = std::move(held);
        }
    }
    World* world = World::instance();
    if (world) {
        world->removePlayerView(oldNumber);
    }
    // The recruits' records keep what their bodies gained before these go.
    if (auto* own = dynamic_cast<PlayerCovenant*>(covenant.get())) {
        own->saveRecruits();
    }

    clear();
    generateWorld(startingLevel, difficulty, worldDifficulty, numAiCovenants);
    createTownNpcs();

    if (addEntity(player) < 0) {
        debugPrint(3, "newWorld: the entity table has no room for the player\n");
        delete player;
        return false;
    }
    if (covenant) {
        const int index = addCovenant(std::move(covenant));
        player->setCovenantIndex(index);
        // The house and the recruits' bodies stand again in the new world.
        if (auto* own = dynamic_cast<PlayerCovenant*>(getCovenant(index))) {
            own->player = player;
            own->restoreInWorld();
        }
    }
    player->startNewWorld();
    levelTownNpcsTo(player);
    // The World's view of the player is keyed by its number, which may differ now.
    if (world) {
        world->addPlayerView(player->getEntityNumber(), 0);
        player->setViewLevel(0);
    }
    return true;
}
