#pragma once

// What every part of the self-playing player shares: the program it plays,
// the player's entity on the server and the client's mirror of it, the frame,
// its own random stream, the trace of its doings and the faults it finds;
// and the reads and clicks every part makes (the entities about it, its
// bags, the windows' widgets).
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ZonePosition.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"

#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class ItemBase;
class ItemGround;
class PlayedGame;
class UIItemSlot;
class UIList;
class UIWidget;

namespace selfplay {

constexpr int kFramesPerMinute = 1200; // 50 ms frames

constexpr int kMain = toIndex(InventoryGroupIndex::Main);
constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
constexpr int kMoney = toIndex(CharacterStat::Money);

// Where a fault of the run goes: a test turns it into a failure; without a
// sink it is printed.
using FaultSink = std::function<void(const std::string&)>;

// The player's own choices draw from a stream of the harness, so the game's
// streams see only what the game itself draws.
class BotRandom {
public:
    explicit BotRandom(uint32_t seed) : m_state(seed * 2654435761u + 1u) {}
    int below(int n)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return n <= 0 ? 0 : static_cast<int>((m_state >> 8) % static_cast<uint32_t>(n));
    }

private:
    uint32_t m_state;
};

inline float distance(const ZonePosition& a, const ZonePosition& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// A press and release of a mouse button at the widget's centre, as the
// interface delivers it; false when the widget is not there to be clicked.
bool clickWidget(UIWidget* widget, int button = 0);
UIWidget* shownWidget(const std::string& fullName);
bool menuShown(const char* name);
// A widget of a page whose places look up what they hold as a frame updates
// them (the skills page): the headless program updates no window, so the
// page is updated first, as a drawn frame would.
UIWidget* shownOnPage(const std::string& fullName);
// The item slot of a shown menu that holds that place.
UIItemSlot* findSlot(const char* menuName, int group, int entry);
// A click on a shown row of a list (counted from its first shown row).
void clickRow(UIList& list, int row);
// A press and release of the key bound to a key action, as the keyboard
// delivers them (the client reads them with the next frame); false when the
// action has no key.
bool pressKey(const char* action);

class Context {
public:
    Context(PlayedGame& program, uint32_t seed, FaultSink sink);
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    PlayedGame& program;
    BotRandom random;
    Player* player = nullptr;       // its entity on the server
    PlayerClient* mirror = nullptr; // the client's mirror of it
    int frame = 0;
    int span = 0;         // the frames the run will play, for the plan's phases
    int deaths = 0;       // since the run began
    int arrivedZone = -1; // the level it stands on, and since when
    int arrivedAt = 0;
    int usedGateAt = -1000;  // the frame it last clicked a gate
    const char* branch = ""; // the plan's last choice, for the trace

    // A fault's words, reported when the line ends.
    class FaultLine {
    public:
        explicit FaultLine(Context& context) : m_context(context) {}
        FaultLine(const FaultLine&) = delete;
        FaultLine& operator=(const FaultLine&) = delete;
        ~FaultLine() { m_context.report(m_text.str()); }
        template <class T> FaultLine& operator<<(const T& value)
        {
            m_text << value;
            return *this;
        }

    private:
        Context& m_context;
        std::ostringstream m_text;
    };
    FaultLine fault() { return FaultLine(*this); }
    void report(const std::string& text);
    // Faults reported so far.
    int faultCount() const { return m_faults; }
    // The words put before each fault (where in the run it was found).
    void setFaultContext(std::string text) { m_faultContext = std::move(text); }
    // Held faults wait to be looked at once more; dropped, they are gone.
    void holdFaults(bool hold) { m_holdFaults = hold; }
    bool dropHeldFaults();

    // A line of what the player does: printed with GLOAM_SELFPLAY_TRACE set,
    // and the last ones kept for a fault that needs them.
    void trace(const char* what) const;
    std::string traceTail() const;

    EntityClient* mirrorOf(int number) const { return GameClient::get().getEntity(number); }
    int money() const { return mirror->getStat(kMoney); }
    int ownLevel() const { return player->getStat(toIndex(CharacterStat::Level)); }

    // The nearest entity of the player's level that is wanted, within the
    // range; by default only one the client shows (one it can click).
    template <class Wanted> int nearest(Wanted wanted, float range, bool shownOnly = true) const
    {
        Game& game = Game::get();
        const ZonePosition& here = player->getPosition();
        int best = -1;
        float bestDistance = range;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = game.getEntity(i);
            if (!e || e == player || e->getPosition().zone != here.zone || !wanted(e) ||
                (shownOnly && !mirrorOf(i))) {
                continue;
            }
            const float d = distance(e->getPosition(), here);
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        return best;
    }

    // The foe of the highest level within the range (the nearer of two
    // alike) that the client shows.
    template <class Wanted> int strongest(Wanted wanted, float range) const
    {
        const ZonePosition& here = player->getPosition();
        int best = -1;
        int bestLevel = -1;
        float bestDistance = range;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = Game::get().getEntity(i);
            if (!e || e == player || e->getPosition().zone != here.zone || !wanted(e) || !mirrorOf(i)) {
                continue;
            }
            const float d = distance(e->getPosition(), here);
            const int level = e->getStat(toIndex(CharacterStat::Level));
            if (d < range && (level > bestLevel || (level == bestLevel && d < bestDistance))) {
                best = i;
                bestLevel = level;
                bestDistance = d;
            }
        }
        return best;
    }

    // What a click on the ground does to the player's action: none, and its
    // windows close.
    void groundClick() { mirror->setAction(PlayerClient::kActionNone, true, true); }

    // Whether the last click on that entity still holds: it is the target
    // and the player acts on it. A window that held the player (an offer
    // answered on the way) leaves its forced action behind.
    bool stillClicked(EntityClient* target) const;

    // Whether the entity is in that list of things left alone until a frame
    // still to come.
    bool leftAlone(const std::map<int, int>& until, int entity) const
    {
        const auto found = until.find(entity);
        return found != until.end() && found->second >= frame;
    }

    // The bag places of the healing potions the player carries.
    std::vector<std::pair<int, int>> carriedPotions() const;
    static bool isHealingPotion(const ItemBase& item);
    // A scroll that opens the player's own gate pair home; it is kept, not
    // sold, and read when a raid calls the player home from afar.
    static bool isReturnScroll(const ItemBase& item);
    // The bag place of the first item the player carries that `wanted`
    // takes, {-1, -1} without one.
    std::pair<int, int> findInBags(const std::function<bool(const ItemBase&)>& wanted) const;
    std::pair<int, int> carriedScroll() const { return findInBags(isReturnScroll); }
    // The places of the groups `first` to the last bag that hold an item
    // (`filled`), or none.
    int countPlaces(int first, bool filled) const;
    int freeBagPlaces() const { return countPlaces(kBag1, false); }
    // A right click on a bag item in its bag's window, opened first (one
    // frame each): 1 once clicked, 0 while a window opens, -1 when the
    // window shows no such place (a fault).
    int useBagItem(int group, int slot);

private:
    FaultSink m_sink;
    int m_faults = 0;
    std::string m_faultContext;
    bool m_holdFaults = false;
    std::vector<std::string> m_heldFaults;
    static constexpr size_t kTraceTail = 60;
    mutable std::deque<std::string> m_traceTail;
};

} // namespace selfplay
