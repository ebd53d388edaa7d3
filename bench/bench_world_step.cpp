// Game::update (0.05) on a busy world: 990 objects from the shipped data on
// BoxMan, each looping its walk (frame events every frame) with two running
// timers, 200 pending fades, 10 objects made and 10 deleted and 50 moved
// through the level's spatial index per step.
// Reports the 99th percentile and the mean of 2,000 steps as counters; the
// step is 50 ms, so 2.5 ms is 5 % of it.
#include "bench/BenchSupport.h"
#include "bench/BenchWorld.h"
#include "engine/resources/ModelResource.h"
#include "game/entities/Entity.h"
#include "game/entities/Timer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace {

constexpr int kEntities = 990;
constexpr int kFades = 200;
constexpr int kChurn = 10;
constexpr int kMoving = 50;
constexpr int kSteps = 2000;

// A shipped object with two timers that restart when they run out.
class BusyObject : public Entity {
public:
    BusyObject()
    {
        for (Timer* t : {&m_think, &m_flicker}) {
            t->min = 0.5f;
            t->max = 2.0f;
            t->startRandom();
            m_timers.add(t);
            t->listed = true;
        }
    }
    void update(float dt) override
    {
        Entity::update(dt);
        for (Timer* t : {&m_think, &m_flicker}) {
            if (t->isExpired()) {
                t->startRandom();
            }
        }
    }

private:
    Timer m_think;
    Timer m_flicker;
};

struct World : BenchWorld {
    World() : BenchWorld("gloam-bench-world-step")
    {
        files->mountGeneratedDirectory(GLOAM_GENERATED_DATA_DIR);
        resources.setBaseDirectory(GLOAM_DATA_DIR);
        resources.readThroughFileSystem(files.get());
        ModelResource::registerTypes(resources);
        start(true);
        game->resizeForWorld(1);
        dummy = database.findEntry("TrainingDummy");
        lantern = database.findEntry("TownLantern");
    }

    Entity* make(int i)
    {
        auto* e = new BusyObject();
        const DatabaseEntry* entry = (i & 1) ? lantern : dummy;
        e->setEntry(entry, entry->getName());
        e->loadFromDatabase();
        if (game->addEntity(e) < 0) {
            delete e;
            return nullptr;
        }
        e->setPosition(
            ZonePosition(0, static_cast<float>(i % 100) * 40.0f, static_cast<float>(i / 100) * 40.0f));
        e->getModel(); // loaded now, as the loader would have done
        e->update(0.0f);
        e->playAnimation("walk", 3, EntityBase::kModeLoop, true);
        return e;
    }

    const DatabaseEntry* dummy = nullptr;
    const DatabaseEntry* lantern = nullptr;
};

void BM_WorldStep(benchmark::State& state)
{
    World world;
    // The first 200 objects keep fading to and fro; the others are replaced,
    // 10 per step, oldest first.
    std::vector<Entity*> fading;
    std::deque<Entity*> churned;
    for (int i = 0; i < kEntities; ++i) {
        (i < kFades ? fading.push_back(world.make(i)) : churned.push_back(world.make(i)));
    }
    std::vector<double> ms;
    ms.reserve(kSteps);
    size_t leastPending = SIZE_MAX;
    for (auto _ : state) {
        ms.clear();
        int made = kEntities;
        for (int step = 0; step < kSteps; ++step) {
            for (Entity* e : fading) {
                if (!world.game->findEvent(Entity::getFadeToEventType(), e)) {
                    Entity::fadeTo(e, e->getFade() > 0.5f ? 0.2f : 1.0f, 2.0f);
                }
            }
            leastPending = std::min(leastPending, world.game->getPendingEventCount());
            auto start = std::chrono::steady_clock::now();
            for (int c = 0; c < kChurn; ++c) {
                world.game->deleteEntity(churned.front(), true);
                churned.pop_front();
            }
            for (int c = 0; c < kChurn; ++c) {
                churned.push_back(world.make(made++));
            }
            // The faders walk a little each step, across leaves now and then.
            for (int m = 0; m < kMoving; ++m) {
                Entity* e = fading[(step * kMoving + m) % fading.size()];
                ZonePosition p = e->getPosition();
                p.x = std::fmod(p.x + 37.0f, 4000.0f);
                p.y = std::fmod(p.y + 11.0f, 4000.0f);
                e->setPosition(p);
            }
            world.game->update(0.05f);
            world.game->clearSoundEvents();
            auto end = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    int animating = 0;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const Entity* e = world.game->getEntity(i);
        animating += (e && e->isAnimationPlaying()) ? 1 : 0;
    }
    setStepTimeCounters(state, ms);
    state.counters["least_pending_events"] = static_cast<double>(leastPending);
    state.counters["entities"] = static_cast<double>(world.game->getEntityCount());
    state.counters["animating"] = animating;
}
BENCHMARK(BM_WorldStep)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}
