#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/player/PlayerClient.h"
#include "graphics/effects/EffectSystem.h"

#include "client/Client.h"
#include "engine/object/ClassRegistry.h"
#include "game/world/World.h"

EntityClient* GameClient::getEntity(int number) const
{
    if (number < 0 || number >= kEntityCount) {
        return nullptr;
    }
    return m_entities[static_cast<size_t>(number)].get();
}

void GameClient::setEntity(int number, std::unique_ptr<EntityClient> entity)
{
    if (number < 0 || number >= kEntityCount) {
        return;
    }
    if (entity) {
        entity->setEntityNumber(number);
        entity->setUpdateCounter(m_updateCounter);
    }
    m_entities[static_cast<size_t>(number)] = std::move(entity);
}

void GameClient::readStateUpdate(const StateMessage& state)
{
    ++m_updateCounter;
    for (const EntityUpdateRecord& record : state.entities) {
        readEntityUpdate(record);
    }
    const GameSectionRecord& game = state.game;
    m_gameTime = game.time;
    setDifficulty(static_cast<int>(game.valueV3));
    m_covenantCount = static_cast<uint32_t>(game.covenants.size());
    for (size_t i = 0; i < game.covenants.size(); ++i) {
        if (CovenantClient* covenant = getCovenant(static_cast<int>(i), true)) {
            covenant->readSection(game.covenants[i]);
        }
    }
    m_valueV4 = game.valueV4;
    m_namedNumbers.resize(game.namedValues.size());
    m_namedNames.resize(game.namedValues.size());
    for (size_t i = 0; i < game.namedValues.size(); ++i) {
        m_namedNumbers[i] = game.namedValues[i].first;
        m_namedNames[i] = game.namedValues[i].second;
    }
    readQuests(game);
    setScaleFactors(game.valueV1, game.valueV2);
    m_weatherClient->setValues(game.weatherIntensity, game.windX, game.windY);
    setAlliedVictory(game.alliedVictory);
    removeStaleEntities();
    if (!m_loaded) {
        onFirstUpdate();
    } else if (const Client* client = Client::instance()) {
        // The town is known whole from the first frame its record exists,
        // which may come after the first update.
        client->getUi().mapAreas();
    }
}

void GameClient::readEntityUpdate(const EntityUpdateRecord& record)
{
    int number = static_cast<int>(record.number);
    if (number < 0 || number >= kEntityCount) {
        return;
    }
    std::unique_ptr<EntityClient>& slot = m_entities[static_cast<size_t>(number)];
    bool made = !slot;
    if (made) {
        slot = std::make_unique<EntityClient>();
        if (ClassRegistry* classes = ClassRegistry::instance()) {
            slot->setClassRecord(classes->findClass("EntityClient"));
        }
    }
    slot->setEntityNumber(number);
    slot->readUpdate(record);
    slot->readSnapshot(record.typeSection);
    slot->setUpdateCounter(m_updateCounter);
    if (made) {
        if (Client* client = Client::instance()) {
            client->onNewEntity(*slot);
        }
    }
}

void GameClient::removeStaleEntities()
{
    for (auto& entity : m_entities) {
        if (entity && entity->getUpdateCounter() != m_updateCounter) {
            entity.reset();
        }
    }
}

void GameClient::onFirstUpdate()
{
    // The town stays built while joined; the menus name the topic for this
    // moment.
    m_loaded = true;
    if (World* world = World::instance()) {
        world->addTownView();
    }
    Client* client = Client::instance();
    if (!client) {
        return;
    }
    std::string topic = client->getUi().firstTopic();
    if (!topic.empty()) {
        client->showHelpTopic(topic);
    }
    // Rain follows the local player; it spawns only while the weather gives it a rate.
    EffectSystem* effects = EffectSystem::instance();
    if (effects && client->getLocalPlayer()) {
        if (EffectInstance* rain = effects->spawnEffect(client->getLocalPlayer(), "rain.eff", "")) {
            rain->active = true;
        }
    }
    client->getUi().mapAreas();
}
