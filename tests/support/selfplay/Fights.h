#pragma once

// Fights: the foe the player takes on, one it cannot reach left alone for a
// while, its skills and its healing potions.
#include "support/selfplay/Part.h"

#include <map>

class EntityClient;
class SkillBase;
class SkillDefinition;

namespace selfplay {

class Fights : public Part {
public:
    explicit Fights(Bot& bot);

    // A living enemy of the player's not left alone.
    bool isFoe(Entity* e) const;

    // The foe to fight this frame, -1 for none: while pushing see pushFoe;
    // called home by a raid (`homeward`) or with a thing its quests ask for
    // lying near (`wanted`), only one at hand.
    int choose(bool homeward, int wanted) const;

    // A foe it cannot reach (across a wall, up a cliff) is left alone for a
    // while once ten seconds of fighting it bring nothing: true when it
    // leaves this one now. Only the frames spent on it count, and they add
    // up while the player turns between it and something else: one at the
    // edge of its sight would otherwise hold it there for good.
    bool leaveIfUnreachable(int foe);

    // The foe clicked (again when the click no longer holds), and a skill
    // of the hot bar that serves now used with its key. A caster keeps its
    // distance: while a strike of its bar that reaches from afar may be cast
    // on the foe, it targets the foe with a right click and stands (a click
    // at its feet ends a walk toward it) once the foe is well within that
    // reach; it closes in only without one (its power spent).
    void attack(int foe);

    // The class's fighting skills it has learnt go on the hot bar, each
    // dragged from the skills page to a free place as a user drags it: true
    // while it is at it (a click a turn).
    bool fillHotBar();

    // A skill the player fights with: one that strikes an enemy (with no
    // state it must be in first), heals or strengthens the player. The
    // plain attack, always on the bar's first place, is not one of them.
    static bool isFightingSkill(const SkillBase& skill);

    // No foe this frame.
    void clearFoe() { m_foe = -1; }
    int foe() const { return m_foe; }

    // Low on health, the player drinks a healing potion: a right click on
    // it in its bag's window.
    bool drinkPotion();

    bool ignores(int entity) const { return leftAlone(m_ignoredFoes, entity); }
    void ignore(int entity, int until) { m_ignoredFoes[entity] = until; }

    // The foe it fought is dead or gone: a kill.
    void count(Figures& figures);

private:
    // Pushing, the player keeps to the foe it fights while that stays in
    // reach. On its way it stops only for a foe that stands in its way and
    // is worth a fight: one more than kPassBy levels below its own it walks
    // past (and lets it follow). At the push's level it takes on the
    // strongest foe in reach.
    int pushFoe() const;

    // A skill of the hot bar that serves now, by its key: one that strikes
    // the foe when it may, a heal when the player is hurt, a strengthening
    // when it is ready; none while a cast is under way or the last key's
    // answer is awaited.
    void useHotBar(int foe);
    // The bar's place that holds the skill, -1 for none.
    int barPlaceOf(const SkillBase& skill) const;
    // The skill at the bar's place, null for none (the skills mirror must be there).
    SkillBase* barSkill(int place) const;
    // A skill of the hot bar that strikes an enemy from beyond melee reach
    // and may be used on the target now but for its distance; null for none.
    const SkillDefinition* strikeFromAfar(EntityClient* target) const;

    static constexpr int kPassBy = 4;
    // A blow's reach: a strike that reaches half as far again is cast from
    // afar.
    static constexpr float kMeleeReach = 96.0f;
    // The hot bar's ten places and the kinds of their records.
    static constexpr int kBarPlaces = 10;
    static constexpr int kBarSkill = 1;
    static constexpr int kBarEmpty = 2;
    // Raided at home, it fights only foes this near its stone: within the
    // reach in which a raid counts it by the stone.
    static constexpr float kRaidLeash = 600.0f;

    // A fight judged by the frames spent on its foe since its health last
    // fell; one not looked at for a minute starts afresh.
    struct FoeFight {
        int frames = 0;
        int health = 0;
        int seenAt = -kFramesPerMinute - 1;
    };
    int m_foe = -1;
    int m_hotBarUses = 0;
    bool m_filling = false; // putting skills on the hot bar
    int m_tabAsked = -1;    // the skills page's tree whose tab it clicked
    std::map<int, FoeFight> m_foeFights;
    std::map<int, int> m_ignoredFoes; // entity: until which frame
    int m_nextDrinkAt = 0;
};

} // namespace selfplay
