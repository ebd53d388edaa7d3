// Attachment slots of the entity mirror: the models worn on the body's tags,
// the body skin retextured by what is worn, and the places of tags.
#include "client/mirrors/EntityClient.h"

#include "engine/core/Direction.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"

#include <cmath>
#include <cstdio>

namespace {

// The slot that retextures a plain NPC (the chest).
constexpr int kNpcSkinSlot = 4;

// A skin holding one surface record (its shader acquired as skins do).
std::unique_ptr<Skin> singleSurface(int surface, const std::string& shader, int flag)
{
    char line[32];
    std::snprintf(line, sizeof line, "%d \"", surface);
    std::string text = line + shader + "\" " + std::to_string(flag) + "\n";
    return Skin::parse("retexture.skn", reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool hasExtension(const std::string& name, const char* extension)
{
    size_t dot = name.rfind('.');
    return dot != std::string::npos && equalsNoCase(name.substr(dot + 1), extension);
}

} // namespace

const AttachmentSlot* EntityClient::getAttachmentSlot(int slot) const
{
    return slot >= 0 && slot < kAttachmentSlots ? &m_slots[static_cast<size_t>(slot)] : nullptr;
}

AttachmentSlot* EntityClient::getAttachmentSlot(int slot)
{
    return slot >= 0 && slot < kAttachmentSlots ? &m_slots[static_cast<size_t>(slot)] : nullptr;
}

void EntityClient::readAttachment(int slot)
{
    AttachmentSlot& s = m_slots[static_cast<size_t>(slot)];
    s.entry = m_attachments[static_cast<size_t>(slot)];
    const Database* db = Database::instance();
    const DatabaseEntry* item = db && s.entry >= 0 ? db->getEntryByIndex(s.entry) : nullptr;
    retextureBody(slot, item);

    // Slot 14 shows the model of an item lying on the ground.
    const bool ground = slot == kGroundSlot;
    std::string model = item ? db->getString(item, "UseModelName") : std::string();
    const bool shown = item && (db->getInt(item, "ShowOnBody", 0) != 0 || ground);
    if (model.empty() || !shown || !hasExtension(model, "mdl")) {
        s.model.release();
        s.scale = 0.0f;
        s.tagName.clear();
        s.glow = 0;
        return;
    }
    loadResource(model, s.model);
    s.scale = db->getFloat(item, "Scale", 0.0f);
    s.tagName = db->getString(item, "TagName");
    if (db->getInt(item, "Unique", 0) != 0) {
        s.glow = 6;
    } else if (!db->getString(item, "ItemSet").empty()) {
        s.glow = 5;
    } else if (db->getInt(item, "Artifact", 0) != 0) {
        s.glow = 7;
    } else {
        s.glow = 0;
    }
}

void EntityClient::retextureBody(int slot, const DatabaseEntry* item)
{
    const Database* db = Database::instance();
    if (!db || !m_entry) {
        return;
    }
    // The class table: a monster's is its archetype's class entry, a
    // character's its own entry.
    const DatabaseEntry* classEntry = m_entry;
    if (m_archetype) {
        classEntry = db->findEntry("Class" + getCharacterClassTypeName(m_archetype->characterClass));
    }
    if (!classEntry) {
        return;
    }
    std::vector<int> surfaces;
    db->getIntList(classEntry, "BodySurfaces", surfaces);
    const bool plainNpc = m_npc && !m_sentient;
    std::vector<int> changed;
    if (plainNpc) {
        if (slot != kNpcSkinSlot) {
            return;
        }
        for (int surface : surfaces) {
            if (surface >= 0) {
                changed.push_back(surface);
            }
        }
    } else if (static_cast<size_t>(slot) < surfaces.size() && surfaces[static_cast<size_t>(slot)] >= 0) {
        changed.push_back(surfaces[static_cast<size_t>(slot)]);
    }
    ResourceSystem* resources = ResourceSystem::instance();
    const Skin* base = resources && m_skin.isValid() ? dynamic_cast<Skin*>(resources->get(m_skin)) : nullptr;
    if (!base && getModel()) {
        base = getModel()->getSkin();
    }
    if (changed.empty() || !base) {
        return;
    }
    const std::string className = db->getString(classEntry, "Name");
    const std::string texture = item ? db->getString(item, "SkinTextureName" + className) : std::string();
    if (!m_skinCopy) {
        m_skinCopy = std::make_unique<Skin>();
        Skin::copySurfaces(*m_skinCopy, *base);
    }
    for (int surface : changed) {
        const SkinSurface* original = base->findSurface(surface);
        const int flag = original ? original->flag : 0;
        std::unique_ptr<Skin> record;
        if (!texture.empty()) {
            record = singleSurface(surface, texture, flag);
        } else if (original) {
            record = singleSurface(surface, original->shaderName, flag);
        }
        if (record) {
            Skin::copySurfaces(*m_skinCopy, *record);
        }
    }
}

void EntityClient::getWorldTransform(ZonePosition3& position, Matrix3& orientation) const
{
    const EntityClient* parent = m_fakeAttach ? nullptr : getAttachParent();
    if (parent) {
        if (m_parentAttachPoint >= 0 && parent->getTagTransform(m_parentAttachPoint, position, orientation)) {
            return;
        }
        Matrix3 ignored;
        parent->getWorldTransform(position, ignored);
    } else {
        position = ZonePosition3(m_position.zone, m_position.x, m_position.y, m_height);
    }
    if (m_hasRotation) {
        for (int i = 0; i < 9; ++i) {
            orientation.m[i / 3][i % 3] = m_rotation[static_cast<size_t>(i)];
        }
    } else {
        orientation = directionToMatrix(m_direction);
    }
}

bool EntityClient::getTagTransform(int attachPoint, ZonePosition3& position, Matrix3& orientation) const
{
    const ModelResource* model = getModel();
    if (!model) {
        return false;
    }
    const ModelAnimation* animation = getAnimationRecord(m_animation);
    // The whole frame the skinning draws, in seconds.
    float seconds = 0.0f;
    if (animation && animation->framesPerSecond > 0.0f && std::isfinite(m_animationTime)) {
        seconds = std::floor(std::max(0.0f, m_animationTime)) / animation->framesPerSecond;
    }
    Vec3 local;
    Matrix3 turn;
    if (!model->getAttachPointTransform(attachPoint, animation, seconds, local, turn)) {
        return false;
    }
    ZonePosition3 place;
    Matrix3 body;
    getWorldTransform(place, body);
    const Vec3 offset = transformVectorByMatrix(local * getScale(), body);
    position = place;
    position.addOffset(offset.x, offset.y, offset.z);
    orientation = multiplyMatrix3(turn, body);
    return true;
}

int EntityClient::findTagInAttachment(int slot, const std::string& tagName) const
{
    const AttachmentSlot* s = getAttachmentSlot(slot);
    if (!s || s->entry < 0 || !s->model.isValid() || findAttachPoint(s->tagName) < 0) {
        return -1;
    }
    const ModelResource* model = s->model.getAs<ModelResource>();
    return model ? model->findAttachPoint(tagName) : -1;
}

bool EntityClient::getAttachmentTagTransform(int slot, const std::string& tagName, ZonePosition3& position,
                                             Matrix3& orientation) const
{
    const int tag = findTagInAttachment(slot, tagName);
    if (tag < 0) {
        return false;
    }
    const AttachmentSlot& s = m_slots[static_cast<size_t>(slot)];
    const ModelResource* model = s.model.getAs<ModelResource>();
    ZonePosition3 holder;
    Matrix3 holderTurn;
    if (!getTagTransform(findAttachPoint(s.tagName), holder, holderTurn)) {
        return false;
    }
    Vec3 local;
    Matrix3 turn;
    if (!model->getAttachPointTransform(tag, model->getAnimation(0), 0.0f, local, turn)) {
        return false;
    }
    const float scale = getScale() * (s.scale > 0.0f ? s.scale : 1.0f);
    const Vec3 offset = transformVectorByMatrix(local * scale, holderTurn);
    position = holder;
    position.addOffset(offset.x, offset.y, offset.z);
    orientation = multiplyMatrix3(turn, holderTurn);
    return true;
}

void EntityClient::useSkinSurfaces(const Skin* source)
{
    m_skinCopy.reset();
    const ModelResource* model = getModel();
    const Skin* base = model ? model->getSkin() : nullptr;
    if (!source) {
        return;
    }
    m_skinCopy = std::make_unique<Skin>();
    if (base) {
        Skin::copySurfaces(*m_skinCopy, *base);
    }
    Skin::copySurfaces(*m_skinCopy, *source);
}
