#include "game/ai/BehaviorFactory.h"

#include "engine/core/DebugSystem.h"
#include "game/ai/BehaviorSleep.h"
#include "game/definitions/GameEnums.h"

#include <new>
#include <string>

namespace {

template <class T> std::unique_ptr<BehaviorBase> make()
{
    return std::unique_ptr<BehaviorBase>(new (std::nothrow) T());
}

} // namespace

std::unique_ptr<BehaviorBase> createBehavior(int type)
{
    switch (static_cast<ActorBehavior>(type)) {
    case ActorBehavior::Sleep:
        return make<BehaviorSleep>();
    default:
        break;
    }
    std::string name = getActorBehaviorName(type);
    if (name.empty()) {
        name = std::to_string(type);
    }
    debugPrint(3, "Could not create behavior %s\n", name.c_str());
    return make<BehaviorSleep>();
}
