// The game definitions over arbitrary data: the first byte picks a gate-list
// character-file image or a rules database, whose text is loaded into GameData
// and run through the rule formulas.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/GateList.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/CounterList.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillLoaders.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

class FixedGates : public GateSource {
public:
    void collectGates(std::vector<GateLocation>& out) const override
    {
        out = {{1, 0}, {2, 1}, {2, 2}, {7, 3}};
    }
};

void fuzzGateList(const uint8_t* data, size_t size)
{
    FixedGates gates;
    for (GateList::Mode mode : {GateList::Mode::Level, GateList::Mode::Covenant}) {
        for (int version : {13, 14}) {
            ByteBuffer buffer(data, size);
            GateList list(mode);
            list.setSource(&gates);
            list.readFileImage(buffer, version);
            list.build();
            if (list.getRecords().size() != 4)
                __builtin_trap();
            ByteBuffer again;
            list.writeFileImage(again);
            GateList copy(mode);
            copy.setSource(&gates);
            if (!copy.readFileImage(again, 14))
                __builtin_trap();
            copy.build();
            if (copy.getActivatedCount() != list.getActivatedCount())
                __builtin_trap();
        }
    }
}

void fuzzRules(std::string_view text)
{
    Database database;
    size_t split = text.find('\0');
    database.addSubDatabase("GameSystem", "gamesystem.dbl", text.substr(0, split));
    if (split != std::string_view::npos)
        database.addSubDatabase("Monster", "monsters.dbl", text.substr(split + 1));
    database.resolveBases();
    GameData data;
    data.load();
    Random::setState(0, 1);
    for (int level : {-5, 0, 1, 2, 50, 1000, 100000}) {
        xpNeededForLevel(level);
        experienceMultiplierBetweenLevels(level, 1);
        data.rollMoney(level);
        data.expectedMoneyAtLevel(level);
        data.getRumorCost(level % 3, level);
        data.countMonsterTypesAtLevel(level);
        data.getMonsterTypeAtLevel(level, 0);
        data.getInfluenceForLevel(level * 37);
        data.getResistanceAbsorbFraction(static_cast<float>(level), level);
        data.getTownGatePosition(level);
        data.getFontName(level);
        data.getRelationName(level);
    }
    data.pickRumorFailure();
    data.getSunColor(12.0f, Color(1, 1, 1), Color(0, 0, 0));
    data.getTradeRouteValue(GameTime(3, 2, 1, 0.5f), 3, 1000000);
    lerpByLevel(123.0f);
    std::vector<MonsterType*> out;
    data.collectMonsterTypes(0x3E, -100, 100000, out);
    for (const auto& type : data.getMonsterTypes()) {
        type->pickRandomUniqueVersion();
        std::vector<int32_t> record(2);
        storeMonsterRecord(record, 0, type.get(), 200, 5, 100);
        monsterExperienceFromRecord(record, 0, true);
    }
    std::vector<const CovenantTrait*> traits;
    for (const auto& trait : data.getCovenantTraits())
        traits.push_back(trait.definition);
    for (const CovenantTrait* trait : traits)
        trait->conflictsWithAny(traits);
    for (const auto& covenant : data.getCovenantDefinitions()) {
        const CovenantDefinition* d = covenant.definition;
        for (int i : {-1, 0, 3, 5, 6, 10, 11}) {
            d->getMoodName(static_cast<float>(i * 10));
            d->getStartingRelation(i);
            d->getTraitName(i);
            d->getOfferChance(i, i & 1, i & 2, i);
            d->rollTradeRouteStartChange(i);
            d->getRelationForTradeRoute(i);
            d->getStartMoney(i * 20);
            d->getStartNumRecruits(i * 20);
            d->rollStartRecruitLevel(i * 20);
        }
    }
    // Skill definitions and their effects, at levels their data may not expect.
    CounterList stats(static_cast<int>(CharacterStat::Num));
    for (const auto& skill : data.getSkillDefinitions()) {
        for (int points : {0, 1, 7, 100000}) {
            stats.set(10, points);
            stats.set(84, points);
            std::string text;
            skill.definition->getTooltip(stats, nullptr, 10, false, text);
            skill.definition->appendLowerCost(stats, 10, text);
        }
    }
    ZoneTopology::reset();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    (void)debug;
    static bool registered =
        (registerQuestLoaders(), registerCovenantLoaders(), registerSkillLoaders(), true);
    (void)registered;
    if (size == 0)
        return 0;
    if (data[0] == 'G')
        fuzzGateList(data + 1, size - 1);
    else
        fuzzRules(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    return 0;
}
