#pragma once

// A part of the self-playing player: the state of one concern and what the
// player does about it. Parts reach one another through the Bot that holds
// them all, and share its Context.
#include "support/selfplay/Context.h"
#include "support/selfplay/Figures.h"

#include <map>

namespace selfplay {

struct Bot;

class Part {
public:
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

protected:
    explicit Part(Bot& bot);
    ~Part() = default;

    Player* player() const { return m_ctx.player; }
    PlayerClient* mirror() const { return m_ctx.mirror; }
    int frame() const { return m_ctx.frame; }
    void trace(const char* what) const { m_ctx.trace(what); }
    Context::FaultLine fault() const { return m_ctx.fault(); }
    EntityClient* mirrorOf(int number) const { return m_ctx.mirrorOf(number); }
    int money() const { return m_ctx.money(); }
    int ownLevel() const { return m_ctx.ownLevel(); }
    template <class Wanted> int nearest(Wanted wanted, float range, bool shownOnly = true) const
    {
        return m_ctx.nearest(wanted, range, shownOnly);
    }
    void groundClick() const { m_ctx.groundClick(); }
    bool stillClicked(EntityClient* target) const { return m_ctx.stillClicked(target); }
    bool leftAlone(const std::map<int, int>& until, int entity) const
    {
        return m_ctx.leftAlone(until, entity);
    }

    Bot& m_bot;
    Context& m_ctx;
};

} // namespace selfplay
