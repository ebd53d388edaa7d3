#pragma once

// Gear and points: better gear from the bags put on, and the points a new
// level brings spent in the Character window.
#include "support/selfplay/Part.h"

class ItemBase;

namespace selfplay {

class Gear : public Part {
public:
    explicit Gear(Bot& bot);

    // Now and then (and while a bag's window opens for it) something of the
    // bags is put on: true while it acts.
    bool equip();

    // An item the player would wear in place of what it wears there (worth
    // more), or where it wears nothing, of a kind its class wears and of its
    // level or below. Bags stay where they are: one holding items cannot
    // move.
    bool isUpgrade(const ItemBase& item) const;

    // The points a new level brings go into the attribute the class grows
    // most in (two of three) and vitality, by the plus buttons of the
    // Character window; the window closes again after.
    bool spendPoints();

    // Skill points go into the first skill of the class's trees that strikes
    // an enemy and may be raised with the gold at hand, by its plus button
    // on the skills page; the page closes again after.
    bool spendSkillPoints();

    // The item it put on is worn.
    void count(Figures& figures);

private:
    // An item of the bags that fits an empty place of the equipment, or is
    // worth more than what the place holds, is put on by a right click on it
    // in its bag's window (the worn one goes to the bag).
    bool equipSomething();

    bool m_equipping = false;
    const ItemBase* m_equipAsked = nullptr;
    int m_equipPlace = 0;
    int m_equipAt = 0;
    // The attribute the class grows most in besides vitality.
    const char* classAttribute() const;

    int m_pointsSpent = 0;
    int m_nextSkillAt = 0;
    bool m_skillsOpened = false;
    int m_tabAsked = -1;
    int m_nextPointAt = 0;
    bool m_characterOpened = false;
};

} // namespace selfplay
