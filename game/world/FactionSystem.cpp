#include "game/world/FactionSystem.h"

#include "game/covenants/Covenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/entities/Entity.h"
#include "game/entities/Sentient.h"

#include <algorithm>
#include <cmath>

FactionSystem::FactionSystem()
{
    s_instance = this;
    loadSettings();
    loadFactions();
}

FactionSystem::~FactionSystem()
{
    if (s_instance == this) {
        s_instance = nullptr;
    }
}

// ---- Loading ------------------------------------------------------------------------

void FactionSystem::loadSettings()
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("FactionSystem") : nullptr;
    if (!entry) {
        return;
    }
    m_changePerKill = db->getFloat(entry, "ChangePerKill");
    m_maxHateReputation = db->getFloat(entry, "MaxHateReputation");
    m_maxDislikeReputation = db->getFloat(entry, "MaxDislikeReputation");
    m_minLikeReputation = db->getFloat(entry, "MinLikeReputation");
    m_minLoveReputation = db->getFloat(entry, "MinLoveReputation");
    m_playerFactionName = db->getString(entry, "PlayerFactionName");
    m_npcFactionName = db->getString(entry, "NpcFactionName");
}

void FactionSystem::loadFactions()
{
    const Database* db = Database::instance();
    if (db) {
        for (const DatabaseEntry* entry =
                 db->findFirstEntryOfType(static_cast<int>(DatabaseEntryType::Faction));
             entry; entry = db->findNextEntryOfType(entry)) {
            std::string name = db->getString(entry, "Name");
            if (name.empty()) {
                debugPrint(2, "%s:%d: faction %s has no Name and is left out\n", entry->getFileName().c_str(),
                           entry->getLine(), entry->getName().c_str());
                continue;
            }
            Faction* faction = getOrAddFaction(name);
            faction->canGoToWar = db->getInt(entry, "CanGoToWar") != 0;
            faction->defaultReputation = db->getFloat(entry, "DefaultReputation");
            for (const std::string& item : db->getStringList(entry, "ReputationWith")) {
                const DatabaseEntry* otherEntry = db->findEntry(item);
                if (!otherEntry) {
                    continue;
                }
                std::string otherName = db->getString(otherEntry, "Name");
                if (otherName.empty()) {
                    continue;
                }
                // Records are held by pointer: a new one leaves `faction` valid.
                int otherId = getOrAddFaction(otherName)->id;
                faction->reputationToward(otherId).value =
                    db->getFloat(entry, "Reputation" + otherEntry->getName());
            }
        }
    }
    m_playerFactionId = getFactionId(m_playerFactionName);
    m_npcFactionId = getFactionId(m_npcFactionName);
}

void FactionSystem::clear()
{
    m_factions.clear();
    m_playerFactionId = -1;
    m_npcFactionId = -1;
}

// ---- Records ------------------------------------------------------------------------

Faction* FactionSystem::getOrAddFaction(const std::string& name)
{
    if (Faction* found = findFaction(name)) {
        return found;
    }
    auto faction = std::make_unique<Faction>();
    faction->name = name;
    faction->id = static_cast<int>(m_factions.size());
    m_factions.push_back(std::move(faction));
    return m_factions.back().get();
}

Faction* FactionSystem::findFaction(const std::string& name) const
{
    for (const auto& faction : m_factions) {
        if (faction->name == name) {
            return faction.get();
        }
    }
    return nullptr;
}

int FactionSystem::getFactionId(const std::string& name) const
{
    const Faction* faction = findFaction(name);
    return faction ? faction->id : -1;
}

Faction* FactionSystem::getFaction(int id) const
{
    if (id < 0 || id >= static_cast<int>(m_factions.size())) {
        return nullptr;
    }
    return m_factions[static_cast<size_t>(id)].get();
}

// ---- Reputations ----------------------------------------------------------------------

float FactionSystem::getReputation(int a, int b) const
{
    const Faction* faction = getFaction(a);
    if (!faction || b == -1) {
        return 50.0f;
    }
    if (const FactionReputation* entry = faction->findReputation(b)) {
        return entry->value;
    }
    return a == b ? 100.0f : faction->defaultReputation;
}

void FactionSystem::setReputation(int a, int b, float value)
{
    if (Faction* faction = getFaction(a); faction && getFaction(b)) {
        faction->reputationToward(b).value = value;
    }
}

void FactionSystem::changeReputation(int a, int b, float delta)
{
    setReputation(a, b, std::clamp(getReputation(a, b) + delta, 0.0f, 100.0f));
}

float FactionSystem::getReputationBetween(const Entity* a, const Entity* b) const
{
    if (!a || !b) {
        return 50.0f;
    }
    return getReputation(getFactionId(a->getFactionName()), getFactionId(b->getFactionName()));
}

int FactionSystem::attitudeOf(float reputation) const
{
    if (reputation < m_maxHateReputation) {
        return kHate;
    }
    if (reputation < m_maxDislikeReputation) {
        return kDislike;
    }
    if (reputation < m_minLikeReputation) {
        return kNeutral;
    }
    if (reputation < m_minLoveReputation) {
        return kLike;
    }
    return kLove;
}

int FactionSystem::getRelation(const Entity* observer, const Entity* other) const
{
    if (!observer || !other) {
        return kNeutral;
    }
    bool otherInCovenant = other->getCovenant() != nullptr;
    int observerFaction = observer->getFactionId();
    if (const Covenant* covenant = observer->getCovenant()) {
        // Two covenant members answer by their covenants' relation.
        if (otherInCovenant)
            return covenant->getRelationToEntity(other);
        if (dynamic_cast<const Sentient*>(other)) {
            int faction = other->getFactionId();
            if (faction != -1 && (faction == m_playerFactionId || faction == m_npcFactionId)) {
                return kLike;
            }
        }
        observerFaction = m_playerFactionId;
    }
    int otherFaction = -1;
    if (otherInCovenant) {
        otherFaction = m_playerFactionId;
    } else if (dynamic_cast<const Sentient*>(other)) {
        otherFaction = other->getFactionId();
    }
    const Faction* faction = getFaction(observerFaction);
    if (!faction || otherFaction == -1) {
        return kNeutral;
    }
    if (const FactionReputation* entry = faction->findReputation(otherFaction); entry && entry->atWar) {
        return kHate;
    }
    return attitudeOf(getReputation(observerFaction, otherFaction));
}

// ---- War ----------------------------------------------------------------------------

void FactionSystem::declareWar(int a, int b)
{
    Faction* first = getFaction(a);
    Faction* second = getFaction(b);
    if (!first || !second) {
        return;
    }
    first->reputationToward(b).atWar = true;
    second->reputationToward(a).atWar = true;
}

void FactionSystem::makePeace(int a, int b)
{
    Faction* first = getFaction(a);
    Faction* second = getFaction(b);
    if (FactionReputation* entry = first ? first->findReputation(b) : nullptr) {
        entry->atWar = false;
    }
    if (FactionReputation* entry = second ? second->findReputation(a) : nullptr) {
        entry->atWar = false;
    }
}

bool FactionSystem::isAtWar(int a, int b) const
{
    const Faction* faction = getFaction(a);
    const FactionReputation* entry = faction ? faction->findReputation(b) : nullptr;
    return entry && entry->atWar;
}

bool FactionSystem::canGoToWar(int a, int b) const
{
    const Faction* first = getFaction(a);
    const Faction* second = getFaction(b);
    return first && second && first->canGoToWar && second->canGoToWar;
}

// ---- Kills --------------------------------------------------------------------------

void FactionSystem::onKill(Entity* killer, Entity* victim, int flag)
{
    if (flag != 0 || !killer || !victim || (killer->getCovenant() && victim->getCovenant())) {
        return;
    }
    int k = killer->getFactionId();
    int v = victim->getFactionId();
    if (k == -1 || v == -1) {
        return;
    }
    for (const auto& record : m_factions) {
        int r = record->id;
        if (r == v) {
            setReputation(r, k, getReputation(r, k) + m_changePerKill);
            continue;
        }
        float towardVictim = getReputation(r, v);
        float towardKiller = getReputation(r, k);
        if (towardVictim >= m_minLikeReputation && towardKiller < towardVictim) {
            setReputation(r, k, towardKiller + towardVictim * m_changePerKill * 0.01f);
        }
    }
}

// ---- Save block -----------------------------------------------------------------------

void FactionSystem::write(ByteBuffer& out) const
{
    out.writeInt(static_cast<uint32_t>(m_factions.size()));
    for (const auto& faction : m_factions) {
        out.writeString(faction->name);
        // Entries toward a faction that is not in the list have no name to
        // be saved under.
        uint32_t count = 0;
        for (const FactionReputation& entry : faction->reputations) {
            count += getFaction(entry.factionId) ? 1 : 0;
        }
        out.writeInt(count);
        for (const FactionReputation& entry : faction->reputations) {
            if (const Faction* other = getFaction(entry.factionId)) {
                out.writeString(other->name);
                out.writeFloat(entry.value);
                out.writeInt(static_cast<uint32_t>(entry.atWar ? 1 : 0));
            }
        }
    }
}

bool FactionSystem::read(ByteBuffer& in)
{
    struct SavedEntry {
        int faction;
        int other;
        float value;
        bool atWar;
    };
    std::vector<SavedEntry> entries;
    const char* problem = nullptr;
    // At least an empty name and an entry count per faction; an empty
    // name, a value and a war word per entry.
    uint32_t factionCount = in.readCount(5);
    for (uint32_t i = 0; i < factionCount && in.ok() && !problem; ++i) {
        int faction = getFactionId(in.readString());
        uint32_t entryCount = in.readCount(9);
        for (uint32_t j = 0; j < entryCount && in.ok(); ++j) {
            int other = getFactionId(in.readString());
            float value = in.readFloat();
            bool atWar = in.readUInt() != 0;
            if (!std::isfinite(value)) {
                problem = "a reputation that is not a number";
                break;
            }
            if (faction != -1 && other != -1) {
                entries.push_back(SavedEntry{faction, other, value, atWar});
            }
        }
    }
    if (!in.ok() || problem) {
        debugPrint(3, "Faction block: %s at byte %zu; the factions keep their reputations\n",
                   problem ? problem : "cut short or a count too large", in.getReadPos());
        return false;
    }
    for (const SavedEntry& entry : entries) {
        FactionReputation& reputation =
            m_factions[static_cast<size_t>(entry.faction)]->reputationToward(entry.other);
        reputation.value = entry.value;
        if (entry.atWar) {
            reputation.atWar = true;
        }
    }
    return true;
}

// ---- The one system ------------------------------------------------------------------

void createFactionSystem()
{
    if (!FactionSystem::instance()) {
        new FactionSystem();
    }
}

void destroyFactionSystem()
{
    delete FactionSystem::instance();
}
