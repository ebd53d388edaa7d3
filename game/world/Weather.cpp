#include "game/world/Weather.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Torch.h"
#include "game/world/AreaDefinition.h"
#include "game/world/WeatherFront.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {

float drawBetween(float lo, float hi)
{
    return lo + randomFloat(0) * (hi - lo);
}

} // namespace

Weather::Weather()
{
    load();
}

Weather::~Weather() = default;

void Weather::load()
{
    m_settings = Settings();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("Weather") : nullptr;
    if (entry) {
        Settings& s = m_settings;
        auto f = [&](const char* key) { return db->getFloat(entry, key, 0.0f); };
        s.minFrontStartTime = f("MinFrontStartTime");
        s.maxFrontStartTime = f("MaxFrontStartTime");
        s.maxFronts = db->getInt(entry, "MaxFronts");
        if (s.maxFronts < 0 || s.maxFronts > kMaxFrontsLimit) {
            const int cut = std::clamp(s.maxFronts, 0, kMaxFrontsLimit);
            debugPrint(2, "%s:%d: Weather MaxFronts %d is outside 0 ... %d; %d is used\n",
                       entry->getFileName().c_str(), entry->getLine(), s.maxFronts, kMaxFrontsLimit, cut);
            s.maxFronts = cut;
        }
        s.minFrontIntensity = f("MinFrontIntensity");
        s.maxFrontIntensity = f("MaxFrontIntensity");
        s.maxTotalIntensity = f("MaxTotalIntensity");
        s.maxFrontWindSpeed = f("MaxFrontWindSpeed");
        s.maxTotalWindSpeed = f("MaxTotalWindSpeed");
        s.minFrontFadeUpTime = f("MinFrontFadeUpTime");
        s.maxFrontFadeUpTime = f("MaxFrontFadeUpTime");
        s.minFrontTime = f("MinFrontTime");
        s.maxFrontTime = f("MaxFrontTime");
        s.minFrontFadeDownTime = f("MinFrontFadeDownTime");
        s.maxFrontFadeDownTime = f("MaxFrontFadeDownTime");
        s.minIntensityChange = f("MinIntensityChange");
        s.maxIntensityChange = f("MaxIntensityChange");
        s.minWindVelocityChange = f("MinWindVelocityChange");
        s.maxWindVelocityChange = f("MaxWindVelocityChange");
        s.randomChangeTime = f("RandomChangeTime");
        s.minFrontSpeed = f("MinFrontSpeed");
        s.maxFrontSpeed = f("MaxFrontSpeed");
        s.minFrontMinDistance = f("MinFrontMinDistance");
        s.maxFrontMinDistance = f("MaxFrontMinDistance");
        s.minFrontMaxDistance = f("MinFrontMaxDistance");
        s.maxFrontMaxDistance = f("MaxFrontMaxDistance");
    }
    resizeSlots();
}

void Weather::setSettings(const Settings& settings)
{
    m_settings = settings;
    m_settings.maxFronts = std::clamp(m_settings.maxFronts, 0, kMaxFrontsLimit);
    resizeSlots();
}

void Weather::resizeSlots()
{
    m_startTimer = Timer();
    m_startTimer.min = m_settings.minFrontStartTime;
    m_startTimer.max = m_settings.maxFrontStartTime;
    m_fronts.clear();
    m_fronts.resize(static_cast<size_t>(m_settings.maxFronts));
    m_activeFronts = 0;
}

void Weather::clear()
{
    resizeSlots();
}

WeatherFront* Weather::getFront(int slot) const
{
    return slot >= 0 && slot < getSlotCount() ? m_fronts[static_cast<size_t>(slot)].get() : nullptr;
}

Vec2 Weather::capWind(const Vec2& wind, float limit) const
{
    if (limit < 0.0f) {
        limit = m_settings.maxFrontWindSpeed;
    }
    Vec2 capped = wind;
    if (vec2Length(capped) > limit) {
        vec2Normalize(capped);
        capped = Vec2(capped.x * limit, capped.y * limit);
    }
    return capped;
}

ZonePosition Weather::pickStartPosition() const
{
    std::vector<int> levels;
    if (const World* world = World::instance()) {
        for (int i = 0; i < world->getLevelCount(); ++i) {
            const AreaDefinition* area = world->getLevel(i) ? world->getLevelDefinition(i) : nullptr;
            if (area && area->weatherIntensityMult > 0.0f) {
                levels.push_back(i);
            }
        }
    }
    if (levels.empty()) {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
    const int count = static_cast<int>(levels.size());
    const int r =
        std::min(static_cast<int>(std::floor(static_cast<float>(count) * randomFloat(0))), count - 1);
    const GameRules& rules = worldRules();
    const float x = randomFloat(0) * rules.levelWidth;
    const float y = randomFloat(0) * rules.levelHeight;
    return ZonePosition(levels[static_cast<size_t>(r)], x, y);
}

WeatherFront* Weather::startFront(const ZonePosition& position)
{
    if (m_activeFronts >= m_settings.maxFronts) {
        return nullptr;
    }
    auto slot = std::find(m_fronts.begin(), m_fronts.end(), nullptr);
    if (slot == m_fronts.end()) {
        return nullptr;
    }
    const Settings& s = m_settings;
    auto front = std::make_unique<WeatherFront>(*this);
    front->intensity = drawBetween(s.minFrontIntensity, s.maxFrontIntensity);
    const float windSpeed = randomFloat(0) * s.maxFrontWindSpeed;
    const Vec2 windDirection = randomUnitVec2();
    front->wind = Vec2(windDirection.x * windSpeed, windDirection.y * windSpeed);
    front->position = position;
    const float speed = drawBetween(s.minFrontSpeed, s.maxFrontSpeed);
    const Vec2 travel = randomUnitVec2();
    front->velocity = Vec2(travel.x * speed, travel.y * speed);
    const float zoneWidth = worldRules().levelWidth;
    front->minDistance = zoneWidth * drawBetween(s.minFrontMinDistance, s.maxFrontMinDistance);
    front->maxDistance = zoneWidth * drawBetween(s.minFrontMaxDistance, s.maxFrontMaxDistance);
    front->fadeUpTime = drawBetween(s.minFrontFadeUpTime, s.maxFrontFadeUpTime);
    front->frontTime = drawBetween(s.minFrontTime, s.maxFrontTime);
    front->fadeDownTime = drawBetween(s.minFrontFadeDownTime, s.maxFrontFadeDownTime);
    front->fadeUpTimer.start(front->fadeUpTime);
    front->holdTimer.start(front->frontTime);
    front->changeTimer.min = 0.9f * s.randomChangeTime;
    front->changeTimer.max = 1.1f * s.randomChangeTime;
    front->changeTimer.startRandom();
    *slot = std::move(front);
    ++m_activeFronts;
    return slot->get();
}

void Weather::update(float dt)
{
    // Without slots no front can start: nothing to time or draw.
    if (m_fronts.empty()) {
        return;
    }
    if (!m_startTimer.running) {
        m_startTimer.startRandom();
    } else {
        m_startTimer.remaining = std::max(0.0f, m_startTimer.remaining - dt);
    }
    if (m_startTimer.running && m_startTimer.remaining <= 0.0f) {
        startFront(pickStartPosition());
        m_startTimer.startRandom();
    }
    for (auto& front : m_fronts) {
        if (!front) {
            continue;
        }
        front->update(dt);
        if (front->isFinished()) {
            front.reset();
            --m_activeFronts;
        }
    }
}

void Weather::getIntensityAt(const ZonePosition& position, float& intensity, Vec2& wind) const
{
    intensity = 0.0f;
    wind = Vec2(0.0f, 0.0f);
    for (const auto& front : m_fronts) {
        if (front) {
            front->addAt(position, intensity, wind);
        }
    }
    const float cap =
        m_settings.maxTotalIntensity < 0.0f ? m_settings.maxFrontIntensity : m_settings.maxTotalIntensity;
    intensity = std::min(intensity, cap);
    wind = capWind(wind, m_settings.maxTotalWindSpeed);
}

void Weather::writeUpdate(ByteBuffer& out, const ZonePosition* position) const
{
    float intensity = 0.0f;
    Vec2 wind;
    if (position) {
        getIntensityAt(*position, intensity, wind);
    }
    out.writeFloat(intensity);
    out.writeVec2(wind);
}

int Weather::extinguishTorches(const ZonePosition& position, float radius, float windSpeed)
{
    return Torch::extinguishNear(position, radius, windSpeed);
}

void Weather::write(ByteBuffer& out) const
{
    out.writeInt(static_cast<int32_t>(m_activeFronts));
    for (const auto& front : m_fronts) {
        if (front) {
            front->write(out);
        }
    }
}

bool Weather::read(ByteBuffer& in)
{
    const uint32_t count = in.readCount(WeatherFront::kSavedBytes);
    if (in.failed()) {
        return false;
    }
    std::vector<std::unique_ptr<WeatherFront>> fronts(m_fronts.size());
    int kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
        auto front = std::make_unique<WeatherFront>(*this);
        if (!front->read(in)) {
            return false;
        }
        if (i < fronts.size()) {
            fronts[i] = std::move(front);
            ++kept;
        }
    }
    m_fronts = std::move(fronts);
    m_activeFronts = kept;
    return true;
}
