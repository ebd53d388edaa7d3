#pragma once

#include "game/quests/Quest.h"
#include "support/PlayerWorld.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// The player's world for quests: quests rolled as the Game rolls them, and
// the lines queued for the clients since a mark.
class QuestPlayerWorld : public PlayerWorld {
protected:
    // A quest rolled as the Game rolls one, without its placing.
    std::unique_ptr<Quest> rolled(QuestType type, int level = 10, uint32_t seed = 777)
    {
        auto quest = std::make_unique<Quest>();
        quest->setup(level, server.game->getClock(), seed, toIndex(type), 0);
        quest->rollChoices(false);
        quest->randomizeParameters();
        return quest;
    }

    void clearLines() { mark = lines().size(); }
    std::vector<std::string> recent() const
    {
        return std::vector<std::string>(lines().begin() + static_cast<long>(std::min(mark, lines().size())),
                                        lines().end());
    }
    bool anyLineWith(const std::string& fragment) const
    {
        const std::vector<std::string> r = recent();
        return std::any_of(r.begin(), r.end(),
                           [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
    }

    size_t mark = 0;
};
