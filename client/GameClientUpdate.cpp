#include "client/Client.h"
#include "client/GameClient.h"

#include <algorithm>

void GameClient::update(float seconds)
{
    if (m_influence.active) {
        m_influence.timeLeft = std::max(0.0f, m_influence.timeLeft - seconds);
    }
    if (m_autoSave.active) {
        m_autoSave.timeLeft = std::max(0.0f, m_autoSave.timeLeft - seconds);
    }
    for (auto& entity : m_entities) {
        if (entity) {
            entity->update(seconds);
        }
    }
    m_weatherClient->update(seconds);
    checkGameEnd();
    updateAmbientLight(seconds);
    rankCovenantsByInfluence();
    rankCovenantsByPower();
    announceLeaders();
    updateAmbientSound(seconds);
    runAutoSave(seconds);
}

void GameClient::runAutoSave(float seconds)
{
    (void)seconds;
    if (!m_loaded) {
        return;
    }
    float period = m_autoSaveTime.isValid() ? m_autoSaveTime.getFloat() : 0.0f;
    if (!m_autoSave.active) {
        if (period > 0.0f) {
            m_autoSave.active = true;
            m_autoSave.period = period;
            m_autoSave.timeLeft = period;
        }
        return;
    }
    if (m_autoSave.timeLeft > 0.0f) {
        return;
    }
    saveGame();
    ++m_automaticSaves;
    if (period > 0.0f) {
        m_autoSave.period = period;
        m_autoSave.timeLeft = period;
    } else {
        m_autoSave.active = false;
    }
}
