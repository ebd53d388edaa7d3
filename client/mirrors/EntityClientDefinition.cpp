#include "client/mirrors/EntityClient.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/data/NameGenerator.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/skills/SkillDefinition.h"

#include <utility>

namespace {

// Appearances draw from this stream, reseeded with each entity's seed.
constexpr int kAppearanceStream = 3;

constexpr const char* kQuestIcons[] = {"Textures/Icons/questAvailable.tga",
                                       "Textures/Icons/questCompleted.tga"};

bool flag(const Database& db, const DatabaseEntry* entry, const char* key)
{
    return db.getInt(entry, key, 0) != 0;
}

} // namespace

void EntityClient::clearDefinition()
{
    m_definitionResources.clear();
    m_skin.release();
    m_archetype = nullptr;
    m_monsterType = nullptr;
    m_nameFile.clear();
    m_textFile.clear();
    m_monsterValues = false;
}

void EntityClient::setModelFromDefinition(int classIndex)
{
    const GameData* data = GameData::instance();
    const CharacterClass* characterClass = data ? data->findCharacterClassById(classIndex) : nullptr;
    if (characterClass) {
        setModel(characterClass->modelName);
    }
}

void EntityClient::readArchetype()
{
    clearDefinition();
    const Database* db = Database::instance();
    if (!db || !m_entry) {
        return;
    }
    const GameData* data = GameData::instance();
    if (m_type == static_cast<int>(DatabaseEntryType::MonsterType)) {
        const MonsterArchetype* archetype =
            data ? data->findDefinitionByName(db->getString(m_entry, "Archetype")) : nullptr;
        const MonsterType* monsterType = data ? data->findMonsterTypeByEntryId(m_entry->getId()) : nullptr;
        if (archetype && monsterType) {
            m_archetype = archetype;
            m_monsterType = monsterType;
            m_monsterValues = true;
            setModelFromDefinition(archetype->characterClass);
            m_npc = archetype->npc;
            m_npcType = archetype->npcType;
            m_npcGhost = archetype->npcGhost;
            m_npcRenegade = archetype->npcRenegade;
            m_npcThief = archetype->npcThief;
            m_givesQuests = archetype->givesQuests;
            m_canBeRescued = archetype->canBeRescued;
            m_canReceiveDelivery = archetype->canReceiveDelivery;
            m_canBeEscorted = archetype->canBeEscorted;
            m_canAttack = archetype->canBeAttacked;
            m_nameFile = archetype->randomNameFile;
            m_radius = archetype->radius;
            m_selectRadius = archetype->selectRadius;
            m_hideFromMiniMap = archetype->hideFromMiniMap;
            std::string typeText = db->getString(m_entry, "TextFile");
            m_textFile = typeText.empty() ? archetype->textFile : typeText;
            m_vendor = flag(*db, m_entry, "Vendor");
            m_guardVendor = flag(*db, m_entry, "GuardVendor");
            m_gambler = flag(*db, m_entry, "Gambler");
            m_talks = flag(*db, m_entry, "Talks");
            for (const char* icon : kQuestIcons) {
                holdResource(icon);
            }
            const DatabaseEntry* archetypeEntry = archetype->getEntry();
            if (archetypeEntry) {
                holdResource(db->getString(archetypeEntry, "OnSightSound"));
                holdResource(db->getString(archetypeEntry, "IdleSound"));
            }
            auto holdProjectiles = [&](const std::vector<std::string>& skills) {
                for (const std::string& skillName : skills) {
                    const SkillDefinition* skill = data->findSkillDefinition(skillName);
                    const DatabaseEntry* projectile =
                        skill && !skill->projectile.empty() ? db->findEntry(skill->projectile) : nullptr;
                    if (projectile) {
                        holdResource(db->getString(projectile, "ModelName"));
                        holdResource(db->getString(projectile, "ExplosionName"));
                    }
                }
            };
            holdProjectiles(archetype->skills);
            holdProjectiles(monsterType->skills);
            for (const DatabaseEntry* source : {archetypeEntry, m_entry}) {
                if (!source) {
                    continue;
                }
                for (const std::string& name : db->getStringList(source, "precache")) {
                    holdResource(name);
                }
            }
            m_level = 0;
        }
    } else if (m_type == static_cast<int>(DatabaseEntryType::Class)) {
        setModelFromDefinition(db->getInt(m_entry, "Index", 0));
    } else if (m_type != static_cast<int>(DatabaseEntryType::Item)) {
        // The flags an object's entry may set.
        static constexpr std::pair<const char*, bool EntityClient::*> kObjectFlags[] = {
            {"Stash", &EntityClient::m_stash},
            {"PlayerStash", &EntityClient::m_playerStash},
            {"Bookshelf", &EntityClient::m_bookshelf},
            {"Pedestal", &EntityClient::m_pedestal},
            {"NpcList", &EntityClient::m_npcList},
            {"UsableObject", &EntityClient::m_usable},
            {"ToggleUsableObject", &EntityClient::m_toggleUsable},
            {"UseOnlyWhenSolid", &EntityClient::m_useOnlyWhenSolid},
            {"Gate", &EntityClient::m_gate},
            {"TownGate", &EntityClient::m_townGate},
            {"LifeStone", &EntityClient::m_lifeStone},
            {"HideFromMiniMap", &EntityClient::m_hideFromMiniMap},
            {"CanAttack", &EntityClient::m_canAttack},
        };
        for (const auto& [key, member] : kObjectFlags) {
            this->*member = flag(*db, m_entry, key);
        }
    }
    std::string skin = db->getString(m_entry, "SkinName");
    if (!skin.empty()) {
        loadResource(skin, m_skin);
    }
    // A monster type without its own icon height takes its archetype's.
    const DatabaseEntry* archetypeEntry = m_archetype ? m_archetype->getEntry() : nullptr;
    float archetypeIconHeight = archetypeEntry ? db->getFloat(archetypeEntry, "IconHeight", 0.0f) : 0.0f;
    m_iconHeight = db->getFloat(m_entry, "IconHeight", archetypeIconHeight);
    if (m_radius == 0.0f) {
        m_radius = db->getFloat(m_entry, "Radius", 0.0f);
    }
    if (m_selectRadius == 0.0f) {
        m_selectRadius = db->getFloat(m_entry, "SelectRadius", 0.0f);
    }
    m_drawBlip = !flag(*db, m_entry, "NoBlip");
    m_drawShadow = !flag(*db, m_entry, "NoShadow");
    m_drawIcons = !flag(*db, m_entry, "DontDrawIcons");
    std::string solidType = db->getString(m_entry, "SolidType");
    if (!solidType.empty()) {
        m_solidType = parseSolidType(solidType);
    }
    m_fakeAttach = flag(*db, m_entry, "FakeAttach");
}

void EntityClient::setAppearanceSeed(uint32_t seed)
{
    if (seed == m_seed) {
        return;
    }
    m_seed = seed;
    if (!m_nameFile.empty()) {
        if (NameGenerator* names = NameGenerator::instance()) {
            m_generatedName = names->generateName(m_nameFile, seed);
        }
    }
    // Stream 3 is shared: every user reseeds it before drawing, and this runs
    // while a message is applied, never inside a server step.
    Random::setState(kAppearanceStream, seed);
    if (!m_archetype) {
        return;
    }
    const Database* db = Database::instance();
    const DatabaseEntry* archetypeEntry = m_archetype->getEntry();
    if (db && archetypeEntry && !m_archetype->headSurfaces.empty()) {
        std::vector<std::string> heads = db->getStringList(archetypeEntry, "randomHeadTexture");
        if (!heads.empty()) {
            // The skin change of the head surface comes with drawing.
            m_headTexture = randomInt(kAppearanceStream, static_cast<int>(heads.size()));
        }
    }
    if (m_archetype->randomScale) {
        m_scaleMultiplier =
            randomFloatBetween(kAppearanceStream, m_archetype->minRandomScale, m_archetype->maxRandomScale);
    }
}
