#include "game/ai/BehaviorFactory.h"

#include "engine/core/DebugSystem.h"
#include "game/ai/BehaviorAdventure.h"
#include "game/ai/BehaviorApproach.h"
#include "game/ai/BehaviorAvoidLeader.h"
#include "game/ai/BehaviorDestroyCorpse.h"
#include "game/ai/BehaviorEatCorpse.h"
#include "game/ai/BehaviorFollowLeader.h"
#include "game/ai/BehaviorIdle.h"
#include "game/ai/BehaviorJump.h"
#include "game/ai/BehaviorLifestoneRegen.h"
#include "game/ai/BehaviorMelee.h"
#include "game/ai/BehaviorPray.h"
#include "game/ai/BehaviorRaiseDead.h"
#include "game/ai/BehaviorRanged.h"
#include "game/ai/BehaviorRetreat.h"
#include "game/ai/BehaviorReturnHome.h"
#include "game/ai/BehaviorSleep.h"
#include "game/ai/BehaviorSpawner.h"
#include "game/ai/BehaviorSuicide.h"
#include "game/ai/BehaviorTeleport.h"
#include "game/ai/BehaviorTeleportRaid.h"
#include "game/ai/BehaviorTeleportToLeader.h"
#include "game/ai/BehaviorUseSkill.h"
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
    case ActorBehavior::Idle:
        return make<BehaviorIdle>();
    case ActorBehavior::Melee:
        return make<BehaviorMelee>();
    case ActorBehavior::ReturnHome:
        return make<BehaviorReturnHome>();
    case ActorBehavior::Ranged:
        return make<BehaviorRanged>();
    case ActorBehavior::Approach:
        return make<BehaviorApproach>();
    case ActorBehavior::Retreat:
        return make<BehaviorRetreat>();
    case ActorBehavior::Suicide:
        return make<BehaviorSuicide>();
    case ActorBehavior::Spawner:
        return make<BehaviorSpawner>();
    case ActorBehavior::Pray:
        return make<BehaviorPray>();
    case ActorBehavior::LifestoneRegen:
        return make<BehaviorLifestoneRegen>();
    case ActorBehavior::Teleport:
        return make<BehaviorTeleport>();
    case ActorBehavior::RaiseDead:
        return make<BehaviorRaiseDead>();
    case ActorBehavior::DestroyCorpse:
        return make<BehaviorDestroyCorpse>();
    case ActorBehavior::EatCorpse:
        return make<BehaviorEatCorpse>();
    case ActorBehavior::FollowLeader:
        return make<BehaviorFollowLeader>();
    case ActorBehavior::AvoidLeader:
        return make<BehaviorAvoidLeader>();
    case ActorBehavior::TeleportToLeader:
        return make<BehaviorTeleportToLeader>();
    case ActorBehavior::TeleportRaid:
        return make<BehaviorTeleportRaid>();
    case ActorBehavior::UseSkill:
        return make<BehaviorUseSkill>();
    case ActorBehavior::Adventure:
        return make<BehaviorAdventure>();
    case ActorBehavior::Jump:
        return make<BehaviorJump>();
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
