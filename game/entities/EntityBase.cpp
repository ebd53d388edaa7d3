#include "game/entities/EntityBase.h"

#include "engine/core/StringUtil.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/skills/SkillDefinition.h"

#include <cmath>

namespace {
constexpr const char* kModelPrefix = "Models/";
constexpr int kAttackTimeStat = 77;
constexpr float kMeleeReachFactor = 1.9f;
constexpr float kNoDistance = 1.0e10f;

std::string fullModelName(const std::string& name)
{
    std::string full = name;
    for (char& c : full) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (full.size() < 7 || !equalsNoCase(std::string_view(full).substr(0, 7), kModelPrefix)) {
        full = kModelPrefix + full;
    }
    return full;
}
} // namespace

EntityBase::EntityBase() : m_visualFlags(kVisualFlagCount, false) {}

EntityBase::~EntityBase() = default;

void EntityBase::setPosition(const ZonePosition& position)
{
    m_position.zone = position.zone;
    m_position.x = position.x;
    m_position.y = position.y;
}

void EntityBase::setSecondaryPosition(const ZonePosition& position)
{
    m_secondaryPosition = snapToGrid(position);
    m_secondaryPosition.normalize();
}

void EntityBase::update(float dt)
{
    m_timers.update(dt);
    if (!m_animationPlaying && m_model.isValid()) {
        ResourceSystem* resources = ResourceSystem::instance();
        if (resources && resources->isLoaded(m_model.getIndex())) {
            playIdle();
        }
    }
    updateAnimation(dt);
}

void EntityBase::playIdle()
{
    playAnimation("idle", 2, kModeLoop, false);
}

void EntityBase::setVisualFlag(int index, bool on)
{
    if (index >= 0 && index < static_cast<int>(m_visualFlags.size())) {
        m_visualFlags[index] = on;
    }
}

// ---- Model -------------------------------------------------------------------

void EntityBase::setModel(const std::string& name)
{
    if (name.empty()) {
        return;
    }
    std::string full = fullModelName(name);
    if (m_model.isValid() && equalsNoCase(m_modelName, full)) {
        return;
    }
    ResourceHandle loaded;
    loadResource(full, loaded);
    if (m_previousAnimation >= 0) {
        onAnimationEvent(m_previousAnimation, kEventLeave, -1);
        m_previousAnimation = -1;
        m_previousAnimationTime = -1.0f;
    }
    m_model = loaded;
    m_animation = -1;
    m_animationTime = 0.0f;
    m_animationPlaying = false;
    m_modelWidth = 64.0f;
    m_modelHeight = 64.0f;
    m_modelName = full;
}

ModelResource* EntityBase::getModel() const
{
    return m_model.isValid() ? m_model.getAs<ModelResource>() : nullptr;
}

int EntityBase::findAttachPoint(std::string_view name) const
{
    return ModelResource::findAttachPoint(getModel(), name);
}

int EntityBase::findAnimation(std::string_view name) const
{
    ModelResource* model = getModel();
    return model && !name.empty() ? model->pickAnimation(name) : -1;
}

const ModelAnimation* EntityBase::getAnimationRecord(int index) const
{
    ModelResource* model = getModel();
    return model ? model->getAnimation(index) : nullptr;
}

const ModelAnimation* EntityBase::getAnimationByName(std::string_view name) const
{
    return getAnimationRecord(findAnimation(name));
}

// ---- Animation ---------------------------------------------------------------

bool EntityBase::playAnimation(std::string_view name, int priority, int mode, bool force)
{
    if (!m_model.isValid() || name.empty()) {
        return false;
    }
    ModelResource* model = getModel();
    if (!model) {
        return false;
    }
    // With several of one name the playing one counts as "already playing".
    if (m_animation >= 0) {
        const ModelAnimation* playing = model->getAnimation(m_animation);
        if (playing && equalsNoCase(playing->name, name)) {
            return playAnimationIndex(m_animation, priority, mode, force);
        }
    }
    int index = model->pickAnimation(name);
    if (index < 0) {
        return false;
    }
    return playAnimationIndex(index, priority, mode, force);
}

bool EntityBase::playAnimationIndex(int index, int priority, int mode, bool force, bool interrupt)
{
    if (!m_model.isValid()) {
        return false;
    }
    if (index == m_animation && m_animationPlaying) {
        if ((priority > m_animationPriority || force) && priority != 1) {
            m_animationPriority = priority;
        }
        m_animationMode = mode;
        return false;
    }
    if (interrupt && m_animationPriority != 6 && m_animationPriority != 7 && m_animationPriority != 8) {
        force = true;
    }
    bool start = priority > m_animationPriority || m_animationPriority == 14 || force || priority == 1 ||
                 !m_animationPlaying;
    if (!start) {
        return false;
    }
    ModelResource* model = getModel();
    const ModelAnimation* record = model ? model->getAnimation(index) : nullptr;
    if (!record) {
        return false;
    }
    m_animation = index;
    m_animationTime = 0.0f;
    m_animationPriority = priority;
    m_animationFrames = record->getNumFrames();
    m_framesPerSecond = record->kind == ModelAnimation::kSkeletal
                            ? 20
                            : static_cast<int>(std::lround(record->framesPerSecond));
    m_animationMoves = record->moves;
    if (record->followsAttackSpeed) {
        float x =
            static_cast<float>(m_framesPerSecond) * static_cast<float>(getStat(kAttackTimeStat)) * 0.001f -
            1.0f;
        if (x > 0.0f && x < static_cast<float>(m_animationFrames)) {
            m_framesPerSecond = static_cast<int>(
                std::ceil(static_cast<float>(m_animationFrames) / x * static_cast<float>(m_framesPerSecond)));
        }
    }
    m_animationMoveSpeed = m_animationMoves ? record->getMoveSpeed() : 0.0f;
    m_animationPlaying = true;
    m_animationMode = mode;
    m_animationWrapped = false;
    m_animationFinished = false;
    return true;
}

void EntityBase::stopAnimation(std::string_view name)
{
    if (m_animation < 0) {
        return;
    }
    const ModelAnimation* playing = getAnimationRecord(m_animation);
    if (playing && equalsNoCase(playing->name, name)) {
        returnToIdle();
    }
}

bool EntityBase::isPlayingAnimation(std::string_view name) const
{
    if (!m_animationPlaying || m_animation < 0) {
        return false;
    }
    const ModelAnimation* playing = getAnimationRecord(m_animation);
    return playing && equalsNoCase(playing->name, name);
}

void EntityBase::returnToIdle()
{
    m_animation = -1;
    m_animationPriority = 0;
    m_animationPlaying = false;
    playAnimation("idle", 2, kModeLoop, false);
}

void EntityBase::updateAnimation(float dt)
{
    m_animationWrapped = false;
    if (!m_model.isValid()) {
        return;
    }
    if (!canAnimate()) {
        m_animationPlaying = false;
        return;
    }
    if (m_animationPaused) {
        return;
    }
    if (m_animationPlaying && m_animation >= 0 && m_animationFrames > 0) {
        float rate = static_cast<float>(m_framesPerSecond) * dt;
        float movement = getMovement();
        if (m_animationMoves && m_animationMoveSpeed > 0.0f && movement > 0.0f) {
            rate *= movement / m_animationMoveSpeed;
        }
        m_animationTime += rate;
        float frames = static_cast<float>(m_animationFrames);
        if (std::floor(m_animationTime) >= frames) {
            m_animationWrapped = true;
            if (m_animationMode == kModeLoop) {
                while (m_animationTime >= frames) {
                    m_animationTime -= frames;
                }
            } else if (m_animationMode == kModeHold) {
                m_animationFinished = true;
                m_animationTime = frames - 1.0f;
            } else {
                returnToIdle();
            }
        }
    }
    fireFrameEvents();
    m_previousAnimation = m_animation;
    m_previousAnimationTime = m_animationTime;
}

void EntityBase::fireFrameEvents()
{
    int now = static_cast<int>(std::floor(m_animationTime));
    if (m_animation == m_previousAnimation) {
        if (m_animation < 0) {
            return;
        }
        int from = static_cast<int>(std::floor(m_previousAnimationTime + 1.0f));
        if (m_animationTime >= m_previousAnimationTime) {
            for (int f = from; f <= now; ++f) {
                onAnimationEvent(m_animation, kEventFrame, f);
            }
        } else {
            for (int f = from; f < m_animationFrames; ++f) {
                onAnimationEvent(m_animation, kEventFrame, f);
            }
            for (int f = 0; f <= now; ++f) {
                onAnimationEvent(m_animation, kEventFrame, f);
            }
        }
        return;
    }
    bool hadPrevious = m_previousAnimation >= 0;
    if (hadPrevious) {
        onAnimationEvent(m_previousAnimation, kEventLeave, -1);
    }
    if (m_animation >= 0) {
        onAnimationEvent(m_animation, kEventEnter, -1);
        if (hadPrevious) {
            for (int f = 0; f <= now; ++f) {
                onAnimationEvent(m_animation, kEventFrame, f);
            }
        }
    }
}

// ---- Geometry ----------------------------------------------------------------

float EntityBase::distanceTo(const SkillEntity* other, bool subtractRadii) const
{
    return distanceToEntity(dynamic_cast<const EntityBase*>(other), subtractRadii);
}

float EntityBase::distanceToEntity(const EntityBase* other, bool subtractRadii) const
{
    if (!other) {
        return kNoDistance;
    }
    Vec2 local = ZonePosition::getLocal(other->m_position, m_position);
    float d = std::hypot(local.x - m_position.x, local.y - m_position.y);
    if (subtractRadii) {
        d -= m_radius + other->m_radius;
    }
    return d;
}

bool EntityBase::isInMeleeRange(const EntityBase* other, const SkillDefinition* skill) const
{
    if (skill)
        return skill->isInRange(this, other);
    const GameData* data = GameData::instance();
    float reach = data ? data->rules().gridSize : GameRules().gridSize;
    return distanceToEntity(other, true) < reach * kMeleeReachFactor;
}

void EntityBase::faceTowards(const ZonePosition& position, bool away)
{
    Vec2 local = ZonePosition::getLocal(position, m_position);
    float angle = std::atan2(local.y - m_position.y, local.x - m_position.x) * 180.0f / 3.14159265358979f;
    int d = angleToDirection8(angle);
    if (away) {
        d += 4;
        if (d > 7) {
            d -= 8;
        }
    }
    m_direction = d;
}

void EntityBase::faceEntity(const EntityBase* other)
{
    if (other && other != this) {
        faceTowards(other->m_position, false);
    }
}

void EntityBase::getLight(Vec3& color, float& falloff) const
{
    color = m_lightColor;
    falloff = m_lightFalloff;
}

int EntityBase::parseDirection(std::string_view text)
{
    return static_cast<int>(::parseDirection(text));
}

int EntityBase::parseSolidType(std::string_view text)
{
    return static_cast<int>(::parseSolidType(text));
}
