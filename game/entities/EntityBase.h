#pragma once

#include "engine/core/Direction.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/Listener.h"
#include "engine/resources/ResourceHandle.h"
#include "game/entities/TimerList.h"
#include "game/skills/SkillEntity.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class InventoryBase;
class ItemBase;
class ModelAnimation;
class ModelResource;
class SkillDefinition;
struct PathGrid;

// The root of every object in the game world, on the server and in the
// client's mirrors: position, facing, light, health, model and animation
// playback, scale, fade, entity number and the link to a parent entity.
// It answers the skill rules' questions as their SkillEntity.
class EntityBase : public Listener, public SkillEntity {
public:
    // The entity flag bits, one table for every kind of entity.
    // A short-lived effect object.
    static constexpr uint32_t kFlagTemporaryEffect = 0x1;
    // Takes no damage.
    static constexpr uint32_t kFlagInvulnerable = 0x2;
    // Its skills cost it no power.
    static constexpr uint32_t kFlagNoPowerCost = 0x4;
    // Its damage list gets a huge physical bonus (a test and debug aid).
    static constexpr uint32_t kFlagHugeDamage = 0x8;
    // A dead body: no target, no threat.
    static constexpr uint32_t kFlagDeadBody = 0x10;
    // Health never falls below 1: it refills instead.
    static constexpr uint32_t kFlagCannotDie = 0x20;
    // Never enters a monster's target list.
    static constexpr uint32_t kFlagNotTargetable = 0x40;
    // Never blocked by other entities when placed.
    static constexpr uint32_t kFlagNoCollision = 0x80;
    // Hidden (a "Hide" skill, a lurking monster): not seen, not chosen as a
    // target, not an automatic target.
    // Quest signs the client shows: an NPC being escorted, a kidnapped one.
    static constexpr uint32_t kFlagEscorted = 0x100;
    static constexpr uint32_t kFlagKidnapped = 0x200;
    static constexpr uint32_t kFlagHidden = 0x400;

    // Animation modes: what happens at the last frame (anything else: idle).
    static constexpr int kModeLoop = 1;
    static constexpr int kModeHold = 2;

    // Kinds of onAnimationEvent.
    static constexpr int kEventFrame = 0;
    static constexpr int kEventEnter = 1;
    static constexpr int kEventLeave = 2;

    static constexpr int kVisualFlagCount = 8;

    EntityBase();
    ~EntityBase() override;

    // ---- Virtual operations
    virtual void setPosition(const ZonePosition& position);
    virtual void setSecondaryPosition(const ZonePosition& position);
    virtual float getScale() const { return m_scale; }
    virtual void releaseModel() {}
    // Loads the named model into out; the base loads nothing.
    virtual void loadResource(const std::string& name, ResourceHandle& out) {}
    // One tick: timers, the idle start of a freshly loaded model, animation.
    virtual void update(float dt);
    virtual bool meetsItemRequirement(int requirement) const { return true; }
    virtual bool canUseItemType(int type) const { return true; }
    int getStat(int index) const override { return 0; }
    virtual InventoryBase* getInventory() { return nullptr; }
    ItemBase* getItem(int group, int slot) const override { return nullptr; }
    virtual bool hasRoomInGroup(int group) const { return false; }
    virtual bool canAnimate() const { return true; }
    // kind: kEventFrame, kEventEnter or kEventLeave (frame -1 for the last two).
    virtual void onAnimationEvent(int animation, int kind, int frame) {}
    virtual float getFadeValue() const { return m_fade; }
    bool isEnemy(const SkillEntity* other) const override { return true; }
    bool canMove() const override { return true; }
    // Current speed; a moving animation's rate follows it.
    virtual float getMovement() const { return 0.0f; }
    virtual void playIdle();
    // Passes the entities that stand in the way of a path search from here
    // (within the half-extents, category bit in the mask) to the path
    // finder's obstacle marking. A plain object walks nowhere and marks none.
    virtual void markObstacles(PathGrid& grid, float halfWidth, float halfHeight, uint32_t mask) {}

    // ---- Health
    bool isDead() const { return m_maxHealth >= 1 && m_health < 1; }
    bool isAlive() const { return m_maxHealth >= 1 && m_health >= 1; }

    // ---- Model and animation
    // Adopts the model (a name without the "Models/" prefix gets it); the same
    // name again, in any letter case, changes nothing.
    void setModel(const std::string& name);
    ModelResource* getModel() const;
    const std::string& getModelName() const { return m_modelName; }
    const ResourceHandle& getModelHandle() const { return m_model; }
    int findAttachPoint(std::string_view name) const;
    bool playAnimation(std::string_view name, int priority, int mode, bool force);
    // The client's form: interrupt forces the start unless the stored
    // priority is 6, 7 or 8.
    bool playAnimationIndex(int index, int priority, int mode, bool force, bool interrupt = false);
    void stopAnimation(std::string_view name);
    bool isPlayingAnimation(std::string_view name) const;
    int findAnimation(std::string_view name) const;
    const ModelAnimation* getAnimationRecord(int index) const;
    const ModelAnimation* getAnimationByName(std::string_view name) const;
    void updateAnimation(float dt);
    void returnToIdle();

    int getAnimation() const { return m_animation; }
    float getAnimationTime() const { return m_animationTime; }
    int getAnimationFrames() const { return m_animationFrames; }
    int getAnimationPriority() const { return m_animationPriority; }
    int getFramesPerSecond() const { return m_framesPerSecond; }
    int getAnimationMode() const { return m_animationMode; }
    bool isAnimationPlaying() const { return m_animationPlaying; }
    bool isAnimationWrapped() const { return m_animationWrapped; }
    bool isAnimationFinished() const { return m_animationFinished; }
    bool isAnimationPaused() const { return m_animationPaused; }
    void setAnimationPaused(bool paused) { m_animationPaused = paused; }
    // A frame picked by hand (the model editor's frame steps).
    void setAnimationTime(float time) { m_animationTime = time; }

    // ---- Geometry
    // 1e10 for null or an entity of another kind; with subtractRadii both
    // radii come off (may go negative).
    float distanceTo(const SkillEntity* other, bool subtractRadii) const override;
    float distanceToEntity(const EntityBase* other, bool subtractRadii) const;
    // With a skill, the skill's range test; else within 1.9 melee reaches
    // (GridSize) of the other, radii subtracted. A caller that may hold a
    // null this tests it and takes false.
    bool isInMeleeRange(const EntityBase* other, const SkillDefinition* skill = nullptr) const;
    void faceTowards(const ZonePosition& position, bool away);
    void faceEntity(const EntityBase* other);
    void getLight(Vec3& color, float& falloff) const;

    // Direction and SolidType names; an unknown one logs and gives 0.
    static int parseDirection(std::string_view text);
    static int parseSolidType(std::string_view text);

    // ---- Fields
    TimerList& getTimers() { return m_timers; }
    const ZonePosition& getPosition() const { return m_position; }
    const ZonePosition& getSecondaryPosition() const { return m_secondaryPosition; }
    int getDirection() const { return m_direction; }
    void setDirection(int direction) { m_direction = direction; }
    bool isSolid() const { return m_solid; }
    void setSolid(bool solid) { m_solid = solid; }
    int getSolidType() const { return m_solidType; }
    void setSolidType(int type) { m_solidType = type; }
    int getEntityNumber() const { return m_entityNumber; }
    void setEntityNumber(int number) { m_entityNumber = number; }
    int getHealth() const { return m_health; }
    void setHealth(int health) { m_health = health; }
    int getMaxHealth() const override { return m_maxHealth; }
    void setMaxHealth(int maxHealth) { m_maxHealth = maxHealth; }
    int getCovenantIndex() const { return m_covenantIndex; }
    void setCovenantIndex(int index) { m_covenantIndex = index; }
    const Vec3& getLightColor() const { return m_lightColor; }
    void setLightColor(const Vec3& color) { m_lightColor = color; }
    float getLightFalloff() const { return m_lightFalloff; }
    void setLightFalloff(float falloff) { m_lightFalloff = falloff; }
    const Vec2& getLightOffset() const { return m_lightOffset; }
    void setLightOffset(const Vec2& offset) { m_lightOffset = offset; }
    void setScale(float scale) { m_scale = scale; }
    float getModelWidth() const { return m_modelWidth; }
    float getModelHeight() const { return m_modelHeight; }
    float getRadius() const { return m_radius; }
    void setRadius(float radius) { m_radius = radius; }
    uint32_t getTickFlags() const { return m_tickFlags; }
    void setTickFlags(uint32_t flags) { m_tickFlags = flags; }
    uint32_t getFlags() const { return m_flags; }
    void setFlags(uint32_t flags) { m_flags = flags; }
    bool hasFlag(uint32_t bit) const { return (m_flags & bit) != 0; }
    float getFade() const { return m_fade; }
    void setFade(float fade) { m_fade = fade; }
    int getParentEntity() const { return m_parentEntity; }
    int getParentAttachPoint() const { return m_parentAttachPoint; }
    void setParent(int entity, int attachPoint)
    {
        m_parentEntity = entity;
        m_parentAttachPoint = attachPoint;
    }
    const std::vector<bool>& getVisualFlags() const { return m_visualFlags; }
    void setVisualFlag(int index, bool on);
    bool isAlwaysRelevant() const { return m_alwaysRelevant; }
    void setAlwaysRelevant(bool relevant) { m_alwaysRelevant = relevant; }

protected:
    // The animation events between the previous and the current time.
    void fireFrameEvents();

    TimerList m_timers;
    ZonePosition m_position;
    ZonePosition m_secondaryPosition;
    int m_direction = West;
    bool m_solid = true;
    int m_solidType = 0;
    int m_entityNumber = -1;
    int m_maxHealth = 0;
    int m_health = 0;
    int m_covenantIndex = -1;
    Vec3 m_lightColor{0.0f, 0.0f, 0.0f};
    float m_lightFalloff = 0.0f;
    Vec2 m_lightOffset{0.0f, 0.0f};
    float m_scale = 1.0f;
    ResourceHandle m_model;
    std::string m_modelName;
    int m_animation = -1;
    float m_animationTime = 0.0f;
    int m_animationFrames = 0;
    int m_animationPriority = 0;
    int m_framesPerSecond = 20;
    bool m_animationMoves = false;
    float m_animationMoveSpeed = 0.0f;
    bool m_animationPlaying = false;
    int m_animationMode = 0;
    int m_previousAnimation = -1;
    float m_previousAnimationTime = -1.0f;
    bool m_animationPaused = false;
    bool m_animationWrapped = false;
    bool m_animationFinished = false;
    float m_modelWidth = 0.0f;
    float m_modelHeight = 0.0f;
    float m_radius = 0.0f;
    uint32_t m_tickFlags = 0;
    uint32_t m_flags = 0;
    float m_fade = 1.0f;
    int m_parentEntity = -1;
    int m_parentAttachPoint = -1;
    std::vector<bool> m_visualFlags;
    bool m_alwaysRelevant = false;
};
