#pragma once

#include <memory>

class BehaviorBase;

// A new behaviour of an ActorBehavior id with its construction defaults and
// no owner. An id without a class here logs "Could not create behavior" and
// gives a Sleep behaviour; null only when memory runs out.
std::unique_ptr<BehaviorBase> createBehavior(int type);
