#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/mirrors/EntityClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/SoundSystem.h"

#include <cmath>

namespace {

constexpr int type(DatabaseEntryType t)
{
    return static_cast<int>(t);
}

// -1, or the id of an entry of the database.
bool namesEntry(int32_t id)
{
    if (id == -1) {
        return true;
    }
    const Database* db = Database::instance();
    return db && db->getEntryByIndex(id) != nullptr;
}

const DatabaseEntry* entryOf(int32_t id)
{
    const Database* db = Database::instance();
    return db && id != -1 ? db->getEntryByIndex(id) : nullptr;
}

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

// Seconds an effect must have lasted before its loss is announced.
constexpr float kAnnouncedEffectSeconds = 60.0f;

} // namespace

// ---- Parse -----------------------------------------------------------------------

bool EntityClient::parseTypeSection(ByteBuffer& in, const DatabaseEntry* entry, EntityTypeSection& out,
                                    std::string& field)
{
    out = EntityTypeSection();
    if (!entry) {
        return true; // a plain entity writes no type section
    }
    const Database* db = Database::instance();
    int t = entryType(entry);
    bool vendor = db && db->getInt(entry, "Vendor", 0) != 0;
    bool monster = t == type(DatabaseEntryType::MonsterType);
    if (monster || vendor || t == type(DatabaseEntryType::Class)) {
        out.kind =
            (monster || vendor) ? EntityTypeSection::Kind::Sentient : EntityTypeSection::Kind::Equipped;
        for (int32_t& id : out.equipped) {
            id = in.readInt();
        }
        if (in.failed()) {
            return fail(field, "entity equipped entries");
        }
        for (int32_t id : out.equipped) {
            if (!namesEntry(id)) {
                return fail(field, "entity equipped entry (no such entry)");
            }
        }
        if (out.kind == EntityTypeSection::Kind::Equipped) {
            return true;
        }
        out.power = in.readInt();
        out.maxPower = in.readInt();
        out.interaction = in.readInt();
        out.sentient = in.readUInt() != 0;
        out.rank = in.readInt();
        uint32_t quests = in.readCount(4);
        if (in.failed()) {
            return fail(field, "entity sentient values");
        }
        if (out.rank < 0 || out.rank > kMaxRank) {
            return fail(field, "entity rank (outside 0 to 7)");
        }
        out.quests.resize(quests);
        for (int32_t& quest : out.quests) {
            quest = in.readInt();
        }
        out.seed = in.readUInt();
        out.level = in.readInt();
        return in.ok() || fail(field, "entity offered quests, seed and level");
    }
    switch (t) {
    case type(DatabaseEntryType::Item):
    case type(DatabaseEntryType::Money):
    case type(DatabaseEntryType::QuestItem):
    case type(DatabaseEntryType::Chest):
        out.kind = t == type(DatabaseEntryType::Item)    ? EntityTypeSection::Kind::Item
                   : t == type(DatabaseEntryType::Money) ? EntityTypeSection::Kind::Money
                   : t == type(DatabaseEntryType::Chest) ? EntityTypeSection::Kind::Chest
                                                         : EntityTypeSection::Kind::QuestItem;
        out.value = in.readInt();
        if (in.failed()) {
            return fail(field, "entity item value");
        }
        if (out.kind == EntityTypeSection::Kind::QuestItem && !namesEntry(out.value)) {
            return fail(field, "quest item target (no such entry)");
        }
        return true;
    case type(DatabaseEntryType::Projectile):
        out.kind = EntityTypeSection::Kind::Projectile;
        out.beam = in.readUInt() != 0;
        if (out.beam) {
            out.beamStart = in.readInt();
            out.beamStartPoint = in.readInt();
            out.beamTarget = in.readInt();
            out.beamTargetPoint = in.readInt();
        } else {
            out.hasHeight = in.readUInt() != 0;
            if (out.hasHeight) {
                out.height = in.readFloat();
            }
        }
        return in.ok() || fail(field, "projectile beam ends or height");
    default:
        if (db && db->getInt(entry, "Gate", 0) != 0) {
            out.kind = EntityTypeSection::Kind::Gate;
            out.gateTarget = in.readZonePosition();
            return in.ok() || fail(field, "gate target");
        }
        out.kind = EntityTypeSection::Kind::Plain;
        return true;
    }
}

// ---- Apply -----------------------------------------------------------------------

void EntityClient::readUpdate(const EntityUpdateRecord& record)
{
    const DatabaseEntry* entry = entryOf(static_cast<int32_t>(record.entryId));
    if (entry != m_entry) {
        m_entry = entry;
        m_type = entryType(entry);
        readArchetype();
    }
    m_flags = record.flags;
    m_solid = record.solid != 0;
    m_covenantIndex = record.covenant;
    setPosition(record.position);
    setSecondaryPosition(record.secondaryPosition);
    setParent(record.parent, record.attachPoint);
    m_lightColor = Vec3{record.light[0], record.light[1], record.light[2]};
    m_lightFalloff = record.falloff;
    m_lightOffset = Vec2{record.lightOffset[0], record.lightOffset[1]};
    applyModelIndex(record.model);
    m_maxHealth = record.maxHealth;
    m_health = record.health > record.maxHealth ? record.maxHealth : record.health;
    applyAnimation(record.animation, record.animationMode);
    m_direction = record.direction;
    m_scale = record.scale;
    m_fade = record.fade;
    m_visualFlags = record.visualFlags;
    m_alwaysRelevant = record.alwaysRelevant != 0;
    applyStatusEffects(record.effects);
}

void EntityClient::applyModelIndex(uint32_t index)
{
    if (index == 0xFFFFFFFFu) {
        return;
    }
    const Client* client = Client::instance();
    if (!client || index >= client->getResourceNames().size()) {
        // Keeps the model; each unknown index is reported once.
        if (GameClient* game = GameClient::instance(); game && game->noteUnknownModelIndex(index)) {
            debugPrint(2, "Entity %d: model index %u is outside the resource-name table\n", m_entityNumber,
                       index);
        }
        return;
    }
    setModel(client->getResourceName(static_cast<int>(index)));
}

void EntityClient::applyAnimation(int animation, int parameter)
{
    if (!m_model.isValid()) {
        return;
    }
    int priority = m_gate ? kGatePriority : kServerPriority;
    if (animation == m_animation && m_animationPlaying) {
        if (m_animationPriority < priority) {
            m_animationPriority = priority;
        }
        m_animationParameter = parameter;
        return;
    }
    bool allowed = m_gate ? (m_animationPriority < kGatePriority || m_animationPriority == kServerPriority)
                          : m_animationPriority <= kServerPriority;
    if (!allowed && m_animationPlaying) {
        return;
    }
    ResourceSystem* resources = ResourceSystem::instance();
    ModelResource* model = getModel();
    if (!model || !resources || !resources->isLoaded(m_model.getIndex())) {
        return;
    }
    const ModelAnimation* record = model->getAnimation(animation);
    if (!record) {
        return;
    }
    m_animation = animation;
    m_animationTime = 0.0f;
    m_animationPriority = priority;
    m_animationFrames = record->getNumFrames();
    m_framesPerSecond = record->kind == ModelAnimation::kSkeletal
                            ? 20
                            : static_cast<int>(std::lround(record->framesPerSecond));
    m_animationMode = record->loop ? kModeLoop : 0;
    m_animationMoves = record->moves;
    if (record->followsAttackSpeed) {
        float d = static_cast<float>(getStat(kAnimationSpeedStat)) * 0.001f *
                      static_cast<float>(m_framesPerSecond) -
                  1.0f;
        int n = m_animationFrames;
        if (d > 0.0f && n > 0) {
            m_framesPerSecond = static_cast<int>(
                std::lround(static_cast<float>(m_framesPerSecond) * static_cast<float>(n) / d));
        }
    }
    m_animationMoveSpeed = m_animationMoves ? record->getMoveSpeed() : 0.0f;
    m_animationWrapped = false;
    m_animationFinished = false;
    // The animation played until now stays the previous one: the next update
    // fires its exit events (a beam, a glow or a loop stops with it) before
    // the new one's entry.
    m_animationParameter = parameter;
    m_animationPlaying = true;
}

void EntityClient::applyStatusEffects(const std::vector<std::pair<uint32_t, int32_t>>& effects)
{
    for (auto& effect : m_effects) {
        effect->seen = false;
    }
    for (const auto& [id, effectLevel] : effects) {
        const DatabaseEntry* entry = entryOf(static_cast<int32_t>(id));
        StatusEffectClient* match = nullptr;
        for (auto& effect : m_effects) {
            if (!effect->seen && effect->getEntry() == entry && effect->level == effectLevel) {
                match = effect.get();
                break;
            }
        }
        if (!match) {
            auto made = std::make_unique<StatusEffectClient>();
            made->setEntry(entry, effectLevel, nullptr);
            match = made.get();
            m_effects.push_back(std::move(made));
        }
        match->seen = true;
    }
    for (size_t i = 0; i < m_effects.size();) {
        if (m_effects[i]->seen) {
            ++i;
            continue;
        }
        onEffectLost(*m_effects[i]);
        m_effects.erase(m_effects.begin() + static_cast<long>(i));
    }
}

void EntityClient::onEffectLost(const StatusEffectClient& lost) const
{
    const Client* client = Client::instance();
    if (!client || client->getPlayerSlot() != m_entityNumber || m_entityNumber == -1) {
        return;
    }
    for (const auto& effect : m_effects) {
        if (effect->seen && effect->isSameKind(&lost)) {
            return;
        }
    }
    if (lost.totalTime < kAnnouncedEffectSeconds && !lost.playsLostEffectSound()) {
        return;
    }
    if (const GameClient* game = GameClient::instance()) {
        client->playInterfaceSound(game->getSound(GameClient::kLostEffectSound));
    }
}

void EntityClient::readSnapshot(const EntityTypeSection& s)
{
    using Kind = EntityTypeSection::Kind;
    if (s.kind == Kind::Equipped || s.kind == Kind::Sentient) {
        for (size_t i = 0; i < kEquippedSlots.size(); ++i) {
            setAttachmentEntry(kEquippedSlots[i], s.equipped[i]);
        }
    }
    switch (s.kind) {
    case Kind::Sentient:
        m_power = s.power;
        m_maxPower = s.maxPower;
        m_interaction = static_cast<float>(s.interaction);
        m_sentient = s.sentient;
        m_rank = s.rank;
        m_offeredQuests = s.quests;
        setAppearanceSeed(s.seed);
        m_level = s.level;
        return;
    case Kind::Item:
        m_quality = s.value;
        break;
    case Kind::Money:
        m_money = s.value;
        break;
    case Kind::QuestItem: {
        m_questTarget = entryOf(s.value);
        m_questArchetype = nullptr;
        if (m_questTarget) {
            const Database* db = Database::instance();
            m_questArchetype =
                entryType(m_questTarget) == type(DatabaseEntryType::Area)
                    ? m_questTarget
                    : (db ? db->findEntry(db->getString(m_questTarget, "Archetype")) : nullptr);
        }
        break;
    }
    case Kind::Chest:
        m_usable = s.value != 0;
        return;
    case Kind::Projectile:
        m_beam = s.beam;
        m_beamStart = s.beamStart;
        m_beamStartPoint = s.beamStartPoint;
        m_beamTarget = s.beamTarget;
        m_beamTargetPoint = s.beamTargetPoint;
        m_height = s.hasHeight ? s.height : 0.0f;
        return;
    case Kind::Gate:
        m_gateTarget = s.gateTarget;
        m_hasGateTarget = s.gateTarget.zone != -1;
        if (const Client* client = Client::instance()) {
            client->getUi().portal(getPosition(), s.gateTarget);
        }
        return;
    default:
        return;
    }
    // Items, money and quest items show their own entry on the ground.
    setAttachmentEntry(kGroundSlot, getEntryId());
}
