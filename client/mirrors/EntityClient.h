#pragma once

#include "client/mirrors/AttachmentSlot.h"
#include "client/mirrors/EntityTypeSection.h"
#include "engine/core/Color.h"
#include "engine/core/GameTime.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"
#include "game/entities/EntityBase.h"
#include "graphics/effects/EffectHost.h"
#include "graphics/render/LitEntity.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class ClassRecord;
class Event;
struct ModelDrawRequest;
class DatabaseEntry;
class MonsterArchetype;
class MonsterType;
class Skin;
class StatusEffectClient;
struct EntityUpdateRecord;

// The client's mirror of one server entity, held in the client game state's
// entity table by entity number. Message 3 is parsed whole into records
// first; readUpdate and readSnapshot only apply records and cannot fail.
class EntityClient : public EntityBase, public EffectHost {
public:
    static constexpr int kAttachmentSlots = 18;
    // Attachment slots of the ten equipped entries, in section order.
    static constexpr std::array<int, EntityTypeSection::kEquippedCount> kEquippedSlots = {0, 2, 4, 5,  6,
                                                                                          7, 8, 9, 14, 15};
    // Where ground items, money and quest items show their own entry.
    static constexpr int kGroundSlot = 14;
    // Longest attach chain followed for scale, fade and placement.
    static constexpr int kMaxAttachDepth = 8;
    static constexpr int kMaxRank = 7;
    // Class priorities of a server animation.
    static constexpr int kGatePriority = 2;
    static constexpr int kServerPriority = 14;
    // The stat that scales speed-scaled animations.
    static constexpr int kAnimationSpeedStat = 77;
    // Progress kind that keeps its bar when the entity dies (resurrecting).
    static constexpr int kProgressResurrecting = 7;

    struct FloatingText {
        GameTime time;
        std::string text;
    };

    EntityClient();
    ~EntityClient() override;
    EntityClient(const EntityClient&) = delete;
    EntityClient& operator=(const EntityClient&) = delete;

    // ---- Message 3
    // Parses the type-dependent section chosen by the entry's type. False,
    // with the field named, when the bytes do not fit or a value breaks its
    // rule (an entry id that names no entry, a rank outside 0 … 7).
    static bool parseTypeSection(ByteBuffer& in, const DatabaseEntry* entry, EntityTypeSection& out,
                                 std::string& field);
    // The entity's database type: the entry's own, else inherited; 0 without one.
    static int entryType(const DatabaseEntry* entry);
    void readUpdate(const EntityUpdateRecord& record);
    virtual void readSnapshot(const EntityTypeSection& section);

    // ---- Definition and appearance
    const DatabaseEntry* getEntry() const { return m_entry; }
    int getEntryId() const;
    int getType() const { return m_type; }
    // Runs when the entry changes.
    virtual void readArchetype();
    // Name, head texture and size from the server's seed; nothing for the stored seed.
    void setAppearanceSeed(uint32_t seed);
    virtual void setModelFromDefinition(int classIndex);

    // ---- Virtual operations of the base
    float getScale() const override;
    float getFadeValue() const override;
    void releaseModel() override;
    // Through the resource manager (models, attachments).
    void loadResource(const std::string& name, ResourceHandle& out) override;
    void update(float dt) override;
    // The interaction value: a vendor or quest giver offers its action only above 0.
    float getMovement() const override { return m_interaction; }
    bool canAnimate() const override;

    // The mirror this one is attached to: none for -1, for itself, for a
    // chain longer than kMaxAttachDepth or for a cycle.
    EntityClient* getAttachParent() const;
    // The action a click on this entity proposes for the local player (0:
    // none). Acting asks for the action itself rather than walking to it (4);
    // force ignores the player's stealth.
    virtual int getMouseAction(bool acting, bool force) const;

    // ---- Maps, hints and the small tests of hover texts and icons
    static constexpr int kMapWhite = 0;
    static constexpr int kMapRed = 1;
    static constexpr int kMapGreen = 2;
    static constexpr int kMapBlue = 3;
    static constexpr int kMapOrange = 6;
    static constexpr int kMapCyan = 8;
    static constexpr int kMapNone = 146;
    // Colour code of the top-most attach parent; kMapNone for no blip.
    int getMapColorCode() const;
    // False without a blip; else the code's colour.
    bool getMapColor(Color& out) const;
    bool isShownOnMap(bool worldMap) const;
    bool isHintTarget(bool chest) const;
    bool hasNewQuestForPlayer() const;
    bool isQuestTarget() const;
    bool isRescueNpc() const;
    bool isDeliveryNpc() const;
    bool isEscortNpc() const;
    // The covenant's treaty toward the player's is war (2 or 3).
    bool isHostile() const;
    bool isAttackable() const;
    // Place 0 … 3 in the local player's party, -1 when not in it.
    int getPartyPlace() const;
    // A quest item the local player's own character dropped.
    bool isOwnDrop() const;
    // The player's covenant, no covenant, or the player's own character.
    bool isFriendly() const;
    bool isOwnCharacter() const;
    // A person (the definition's "Npc"): the target the player keeps selected.
    bool isSelectable() const { return m_npc; }
    void collectStatusEffects(std::vector<StatusEffectClient*>& out) const;
    bool hasBlockingStatusEffect() const;
    const EntityClient* getTopAttachParent() const;
    // The hover text: short gives the name line alone; anyEntity gives text
    // for entities other than monsters and the own character; withName adds
    // the own character's "(your character)".
    void getTooltipText(std::string& out, bool shortText, bool anyEntity, bool withName) const;

    // ---- Attachments: the entry shown in each slot (-1 none). The setter
    // returns false when the slot already holds that entry.
    bool setAttachmentEntry(int slot, int entryId);
    int getAttachmentEntry(int slot) const;
    // What a slot shows (its model, tag and glow), read from the item when
    // the entry changes; null outside 0 … 17.
    const AttachmentSlot* getAttachmentSlot(int slot) const;
    AttachmentSlot* getAttachmentSlot(int slot);
    // The body skin with the surfaces worn items retexture (null until one does).
    const Skin* getSkinCopy() const { return m_skinCopy.get(); }
    // The model's own skin with the source's surfaces over it (null: back to
    // the model's own).
    void useSkinSurfaces(const Skin* source);

    // ---- Placement of the body, its attach points and what hangs on them
    // The entity's place: for an attached entity the parent's tag (or the
    // parent's place with its own orientation).
    void getWorldTransform(ZonePosition3& position, Matrix3& orientation) const;
    // An attach point of the model at the whole frame being drawn, placed
    // by the entity's transform and scale. False without it.
    bool getTagTransform(int attachPoint, ZonePosition3& position, Matrix3& orientation) const;
    // A named tag of the model worn in a slot, on the body tag that holds it.
    bool getAttachmentTagTransform(int slot, const std::string& tagName, ZonePosition3& position,
                                   Matrix3& orientation) const;
    // The named attach point of the model worn in a slot; -1 when the slot,
    // its body tag, its model or the name is missing.
    int findTagInAttachment(int slot, const std::string& tagName) const;

    // ---- Drawing (into the render queue)
    // The body at a place, then its shadow, silhouette, overlays,
    // attachments and icon.
    virtual void draw(const ZonePosition3& position, const Matrix3& orientation);
    // draw at the entity's own world transform.
    virtual void drawAtOwnPlace();
    // The image of the icon above the entity: another covenant's crest, or
    // for an entity without a covenant the first quest sign that applies
    // ("questCompleted" for the player's quest target, "questAvailable" for
    // an NPC with a quest new to the player, "questCompleted" for a rescue,
    // delivery or escort NPC). Empty for none, and while the entity is dead
    // or draws no icons.
    std::string getOverheadIconName() const;
    // Floating numbers, the health and progress bars and the entity number,
    // on the virtual screen (EntityClientOverhead.cpp).
    virtual void drawOverheadText();
    const LitEntity& getLitEntity() const { return m_lit; }

    // ---- Animation events
    void onAnimationEvent(int animation, int kind, int frame) override;
    // The twelve event types and this class's handlers (sound, loopSound,
    // stopLoopSound and the effect events).
    static void declareEvents(ClassRecord& record);
    static void bindHandlers(ClassRecord& record);

    // ---- Floating texts and the progress bar
    void addFloatingText(const std::string& text);
    const std::vector<FloatingText>& getFloatingTexts() const { return m_floatingTexts; }
    void startProgress(float length, int kind);
    float getProgressTimer() const { return m_progressTimer; }
    float getProgressLength() const { return m_progressLength; }
    int getProgressKind() const { return m_progressKind; }

    // The server's animation parameter of the playing animation.
    int getAnimationParameter() const { return m_animationParameter; }

    // ---- Status effects
    const std::vector<std::unique_ptr<StatusEffectClient>>& getStatusEffects() const { return m_effects; }

    // ---- Accessors for menus, maps and drawing
    float getSelectRadius() const { return m_selectRadius; }
    void setSelectRadius(float radius) { m_selectRadius = radius; }
    float getIconHeight() const { return m_iconHeight; }
    // The counter of the last state message that named this entity.
    uint32_t getUpdateCounter() const { return m_updateCounter; }
    void setUpdateCounter(uint32_t counter) { m_updateCounter = counter; }
    const MonsterArchetype* getArchetype() const { return m_archetype; }
    const MonsterType* getMonsterType() const { return m_monsterType; }
    const std::string& getNameFile() const { return m_nameFile; }
    const std::string& getGeneratedName() const { return m_generatedName; }
    // The entity's own name (the one its seed generated, unless set).
    void setName(const std::string& name) { m_generatedName = name; }
    const std::string& getTextFile() const { return m_textFile; }
    uint32_t getAppearanceSeed() const { return m_seed; }
    float getScaleMultiplier() const { return m_scaleMultiplier; }
    int getPower() const { return m_power; }
    int getMaxPower() const { return m_maxPower; }
    bool isSentient() const { return m_sentient; }
    int getRank() const { return m_rank; }
    const std::vector<int32_t>& getOfferedQuests() const { return m_offeredQuests; }
    int getLevel() const { return m_level; }
    int getQuality() const { return m_quality; }
    int getMoneyAmount() const { return m_money; }
    const DatabaseEntry* getQuestItemTarget() const { return m_questTarget; }
    const DatabaseEntry* getQuestItemArchetype() const { return m_questArchetype; }
    bool isBeam() const { return m_beam; }
    int getBeamStart() const { return m_beamStart; }
    int getBeamStartPoint() const { return m_beamStartPoint; }
    int getBeamTarget() const { return m_beamTarget; }
    int getBeamTargetPoint() const { return m_beamTargetPoint; }
    float getHeight() const { return m_height; }
    const ZonePosition& getGateTarget() const { return m_gateTarget; }
    bool hasGateTarget() const { return m_hasGateTarget; }
    bool isClosed() const { return m_usable; }
    int getNpcType() const { return m_npcType; }
    void setRotationMatrix(const std::array<float, 9>& matrix);
    void clearRotationMatrix() { m_hasRotation = false; }
    bool hasRotationMatrix() const { return m_hasRotation; }
    const std::array<float, 9>& getRotationMatrix() const { return m_rotation; }
    // Number of resources the definition load holds (icons, sounds, projectiles, precache).
    size_t getDefinitionResourceCount() const { return m_definitionResources.size(); }

    // Definition flags.
    bool isNpc() const { return m_npc; }
    bool isGhost() const { return m_npcGhost; }
    bool isRenegade() const { return m_npcRenegade; }
    bool isThief() const { return m_npcThief; }
    bool givesQuests() const { return m_givesQuests; }
    bool canBeRescued() const { return m_canBeRescued; }
    bool canReceiveDelivery() const { return m_canReceiveDelivery; }
    bool canBeEscorted() const { return m_canBeEscorted; }
    bool isVendor() const { return m_vendor; }
    bool isGuardVendor() const { return m_guardVendor; }
    bool isGambler() const { return m_gambler; }
    bool talks() const { return m_talks; }
    bool isStash() const { return m_stash; }
    bool isPlayerStash() const { return m_playerStash; }
    bool isBookshelf() const { return m_bookshelf; }
    bool isPedestal() const { return m_pedestal; }
    bool isNpcList() const { return m_npcList; }
    bool isUsableObject() const { return m_usable; }
    bool isToggleUsableObject() const { return m_toggleUsable; }
    bool isUseOnlyWhenSolid() const { return m_useOnlyWhenSolid; }
    bool isGate() const { return m_gate; }
    bool isTownGate() const { return m_townGate; }
    bool isLifeStone() const { return m_lifeStone; }
    bool isHiddenFromMiniMap() const { return m_hideFromMiniMap; }
    bool canAttack() const { return m_canAttack; }
    bool isFakeAttach() const { return m_fakeAttach; }
    bool drawsBlip() const { return m_drawBlip; }
    bool drawsShadow() const { return m_drawShadow; }
    bool drawsIcons() const { return m_drawIcons; }

    // Display texts: the own or entry name with the ghost mark, then a title
    // (renegade, thief, NPC role, or level and class).
    void getDisplayName(std::string& out, bool withName, bool withTitle) const;

protected:
    void applyModelIndex(uint32_t index);
    void applyAnimation(int animation, int parameter);
    void applyStatusEffects(const std::vector<std::pair<uint32_t, int32_t>>& effects);
    void onEffectLost(const StatusEffectClient& lost) const;
    void clearDefinition();
    void holdResource(const std::string& name);

    const DatabaseEntry* m_entry = nullptr;
    int m_type = 0;
    uint32_t m_updateCounter = 0;
    int m_animationParameter = 0;

    std::vector<FloatingText> m_floatingTexts;
    std::vector<std::unique_ptr<StatusEffectClient>> m_effects;
    float m_progressTimer = 0.0f;
    float m_progressLength = 0.0f;
    int m_progressKind = 0;
    std::array<int, kAttachmentSlots> m_attachments;
    std::array<AttachmentSlot, kAttachmentSlots> m_slots;
    std::unique_ptr<Skin> m_skinCopy;
    LitEntity m_lit;
    ResourceHandle m_iconShader;
    std::string m_iconShaderName;
    void readAttachment(int slot);
    void retextureBody(int slot, const DatabaseEntry* item);
    void onSoundEvent(Event& event);
    void onLoopSoundEvent(Event& event);
    void playEventSound(Event& event, bool loop);
    void onStopLoopSoundEvent(Event& event);
    // The effect events (EntityClientEffects.cpp).
    void onStartEffectEvent(Event& event);
    void onStopEffectEvent(Event& event);
    void onSpawnEffectEvent(Event& event);
    void onStartBeamEvent(Event& event);
    void onStopBeamEvent(Event& event);
    void onStartSwipeEvent(Event& event);
    void onStopSwipeEvent(Event& event);
    void onStartClientModelSwipeEvent(Event& event);
    void onStopClientModelSwipeEvent(Event& event);

public:
    // ---- What effects ask of the mirror (EntityClientEffects.cpp)
    SafeClass* getEffectSafeBase() override { return this; }
    std::string getEffectModelName() const override;
    int findEffectAttachPoint(const std::string& name) const override;
    // Attach point -1 is the entity's own place.
    bool getEffectTagTransform(int attachPoint, ZonePosition3& position, Matrix3& orientation) const override;
    int parseEffectLocation(const std::string& name) const override;
    int findEffectTagInAttachment(int location, const std::string& tag) const override;
    bool getEffectAttachmentTagTransform(int location, const std::string& tag, ZonePosition3& position,
                                         Matrix3& orientation) const override;
    ParentState getEffectParentState() const override;
    bool getEffectBeamEnds(ZonePosition3& start, ZonePosition3& end) const override;
    bool getEffectItemColour(float out[3]) const override;
    bool getEffectCovenantColour(float out[3]) const override;
    bool isNotLocalPlayer() const override;

protected:
    // Definition flags.
    bool m_vendor = false, m_guardVendor = false, m_gambler = false, m_talks = false;
    bool m_stash = false, m_playerStash = false, m_bookshelf = false, m_pedestal = false, m_npcList = false;
    bool m_usable = false, m_toggleUsable = false, m_useOnlyWhenSolid = false;
    bool m_gate = false, m_townGate = false, m_lifeStone = false, m_hideFromMiniMap = false;
    bool m_canAttack = false, m_fakeAttach = false;
    bool m_drawBlip = true, m_drawShadow = true, m_drawIcons = true;
    bool m_npc = false, m_npcGhost = false, m_npcRenegade = false, m_npcThief = false;
    bool m_givesQuests = false, m_canBeRescued = false, m_canReceiveDelivery = false, m_canBeEscorted = false;
    int m_npcType = 0;
    bool m_monsterValues = false;

    float m_selectRadius = 0.0f;
    float m_iconHeight = 0.0f;
    std::vector<ResourceHandle> m_definitionResources;
    ResourceHandle m_skin;
    std::string m_nameFile;
    std::string m_generatedName;
    std::string m_textFile;
    uint32_t m_seed = 0;
    const MonsterArchetype* m_archetype = nullptr;
    const MonsterType* m_monsterType = nullptr;
    int m_headTexture = -1;

    int m_power = 0;
    int m_maxPower = 0;
    float m_interaction = 0.0f;
    bool m_sentient = false;
    int m_rank = 0;
    std::vector<int32_t> m_offeredQuests;
    int m_level = 0;
    int m_quality = 0;
    int m_money = 0;
    const DatabaseEntry* m_questTarget = nullptr;
    const DatabaseEntry* m_questArchetype = nullptr;
    bool m_beam = false;
    int m_beamStart = -1;
    int m_beamStartPoint = -1;
    int m_beamTarget = -1;
    int m_beamTargetPoint = -1;
    float m_height = 0.0f;
    ZonePosition m_gateTarget;
    bool m_hasGateTarget = false;
    float m_scaleMultiplier = 1.0f;
    bool m_hasRotation = false;
    std::array<float, 9> m_rotation{};
};
