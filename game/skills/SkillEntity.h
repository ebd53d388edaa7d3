#pragma once

class ItemBase;

// What the skill rules ask of an entity: the skill record's owner and the use
// check's user and target. The server's entities and the client's entity
// mirror answer the same questions, so one check runs on both sides.
class SkillEntity {
public:
    virtual ~SkillEntity() = default;

    // The entity's value of a CharacterStat.
    virtual int getStat(int stat) const = 0;
    // The item at (inventory group, slot), or null.
    virtual const ItemBase* getItem(int group, int slot) const = 0;
    virtual bool isEnemy(const SkillEntity* other) const = 0;
    virtual bool canMove() const = 0;
    // 2-D distance to the other entity, both radii subtracted when asked;
    // 1e10 without another entity.
    virtual float distanceTo(const SkillEntity* other, bool subtractRadii) const = 0;
    virtual int getMaxHealth() const = 0;

protected:
    SkillEntity() = default;
    SkillEntity(const SkillEntity&) = default;
    SkillEntity& operator=(const SkillEntity&) = default;
};
