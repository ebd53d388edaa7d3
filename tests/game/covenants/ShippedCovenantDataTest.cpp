#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantTestData.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/DefinitionReader.h"

#include "game/definitions/MonsterType.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

class ShippedCovenantData : public CovenantTestData {
protected:
    ShippedCovenantData() { localization.load(Localization::kDefaultLanguage); }

    // Every entry of a database type, templates included.
    std::vector<const DatabaseEntry*> entriesOfType(DatabaseEntryType type) const
    {
        std::vector<const DatabaseEntry*> out;
        for (int i = 0; i < database.getEntryCount(); ++i) {
            const DatabaseEntry* e = database.getEntryAt(i);
            if (e->getTypeInherited() == toIndex(type))
                out.push_back(e);
        }
        return out;
    }
    const CovenantTrait* trait(std::string_view name) const
    {
        for (const auto& t : data->getCovenantTraits())
            if (equalsNoCase(t.name, name))
                return t.definition;
        return nullptr;
    }
    // A "$$Key$$" text whose key has a translation.
    bool isTranslatedKey(const std::string& text) const
    {
        if (text.size() < 5 || text.rfind("$$", 0) != 0 || text.substr(text.size() - 2) != "$$")
            return false;
        std::string key = text.substr(2, text.size() - 4);
        return key.find("$$") == std::string::npos && localization.findTranslation(key) != nullptr;
    }

    Localization localization;
};

} // namespace

TEST_F(ShippedCovenantData, StartsUpCleanWithHumanLast)
{
    ASSERT_TRUE(loaded);
    for (const LogCapture::Line& line : log.lines())
        EXPECT_LT(line.level, 2) << line.text;
    EXPECT_TRUE(log.contains("6 covenant definitions, 11 covenant traits"));
    const auto& definitions = data->getCovenantDefinitions();
    ASSERT_EQ(definitions.size(), 6u);
    EXPECT_EQ(definitions.back().name, "Human");
    EXPECT_EQ(data->findCovenantDefinition("Human"), 5);
    EXPECT_EQ(definitions.back().definition->shortName, "");
    EXPECT_EQ(data->getCovenantTraits().size(), 11u);

    // Four personalities at difficulty 0 fill a Normal world's computer covenants.
    int easy = 0;
    for (size_t i = 0; i + 1 < definitions.size(); ++i)
        easy += definitions[i].definition->MinDifficultyLevel == 0;
    EXPECT_EQ(easy, data->rules().maxAiCovenants);
}

TEST_F(ShippedCovenantData, DefinitionRules)
{
    ASSERT_TRUE(loaded);
    const auto& definitions = data->getCovenantDefinitions();
    for (size_t i = 0; i < definitions.size(); ++i) {
        const CovenantDefinition& d = *definitions[i].definition;
        const std::string& name = definitions[i].name;
        DefinitionReader r(definitions[i].entry);
        for (size_t j = 0; j < definitions.size(); ++j)
            if (j != i) {
                EXPECT_TRUE(r.has("StartingRelation" + definitions[j].name))
                    << name << " " << definitions[j].name;
            }
        if (name != "Human") {
            EXPECT_FALSE(d.shortName.empty()) << name;
        }

        // Traits: all loaded, no two in conflict, at most half of them drawn.
        std::vector<const CovenantTrait*> listed;
        for (const std::string& t : d.traits) {
            const CovenantTrait* found = trait(t);
            EXPECT_NE(found, nullptr) << name << " " << t;
            if (found)
                listed.push_back(found);
        }
        for (const CovenantTrait* t : listed)
            EXPECT_FALSE(t->conflictsWithAny(listed)) << name << " " << t->getEntryName();
        EXPECT_LE(d.NumTraits * 2, static_cast<int>(data->getCovenantTraits().size())) << name;

        // Moods.
        ASSERT_FALSE(d.moodMaxValues.empty()) << name;
        EXPECT_TRUE(std::is_sorted(d.moodMaxValues.begin(), d.moodMaxValues.end())) << name;
        EXPECT_EQ(d.moodMaxValues.size(), d.moodNames.size()) << name;
        EXPECT_GT(d.moodMaxValues.back(), 100.0f) << name;
        for (const std::string& mood : d.moodNames)
            EXPECT_TRUE(isTranslatedKey(mood)) << name << " " << mood;

        // Start items and colour.
        EXPECT_FALSE(d.baseStartItems.empty()) << name;
        for (const DatabaseEntry* item : d.baseStartItems) {
            ASSERT_NE(item, nullptr) << name;
            EXPECT_EQ(item->getTypeInherited(), toIndex(DatabaseEntryType::Item)) << name;
        }
        EXPECT_GE(parseColorType(r.getString("Color"), -1), 0) << name;

        // Every Min/Max pair the covenant code rolls is ordered.
        for (const std::string& key : CovenantDefinition::loadedKeys()) {
            size_t at = key.find("Min");
            if (at == std::string::npos)
                continue;
            std::string maxKey = key;
            maxKey.replace(at, 3, "Max");
            const auto& keys = CovenantDefinition::loadedKeys();
            if (std::find(keys.begin(), keys.end(), maxKey) != keys.end()) {
                EXPECT_LE(r.getFloat(key), r.getFloat(maxKey)) << name << " " << key;
            }
        }

        // Every diplomacy response has lines, each a translated text key.
        for (int response = 1; response < kCovenantResponseCount; ++response) {
            std::vector<std::string> lines =
                r.getStringList("DiplomacyTextResponse" + getCovenantResponseName(response));
            EXPECT_FALSE(lines.empty()) << name << " " << response;
        }
        for (const DatabaseField& field : definitions[i].entry->getFields())
            if (field.key.rfind("DiplomacyTextResponse", 0) == 0) {
                for (std::string_view line : field.items)
                    EXPECT_TRUE(isTranslatedKey(std::string(line)))
                        << name << " " << field.key << " " << line;
            }
    }
}

TEST_F(ShippedCovenantData, TraitRules)
{
    ASSERT_TRUE(loaded);
    for (const auto& loaded : data->getCovenantTraits()) {
        const CovenantTrait& t = *loaded.definition;
        EXPECT_TRUE(isTranslatedKey(t.name)) << loaded.name;
        EXPECT_TRUE(isTranslatedKey(t.description)) << loaded.name;
        if (t.conflictingTrait) {
            const CovenantTrait* other = trait(t.conflictingTrait->getName());
            ASSERT_NE(other, nullptr) << loaded.name;
            EXPECT_EQ(other->conflictingTrait, loaded.entry) << loaded.name;
        }
        if (DefinitionReader(loaded.entry).has("StatusEffect")) {
            ASSERT_NE(t.statusEffect, nullptr) << loaded.name;
            EXPECT_EQ(t.statusEffect->getTypeInherited(), toIndex(DatabaseEntryType::StatusEffect))
                << loaded.name;
        }
    }
    for (int kind = 0; kind < kCovenantMultiplierCount; ++kind)
        EXPECT_TRUE(isTranslatedKey(getCovenantMultiplierName(kind, true))) << kind;
    for (int treaty = 0; treaty < kCovenantTreatyCount; ++treaty) {
        EXPECT_TRUE(isTranslatedKey(data->getTreatyDescription(treaty))) << treaty;
        std::string colored = data->getColoredTreatyName(treaty);
        EXPECT_TRUE(isTranslatedKey(colored.substr(5))) << colored;
    }
    for (int route = 0; route < kTradeRouteCount; ++route) {
        EXPECT_TRUE(isTranslatedKey(data->getTradeRouteDescription(route))) << route;
        EXPECT_TRUE(isTranslatedKey(data->getColoredTradeRouteName(route).substr(5))) << route;
    }
}

TEST_F(ShippedCovenantData, EveryKeyIsOneTheLoadersRead)
{
    ASSERT_TRUE(loaded);
    std::set<std::string> covenantKeys;
    for (const std::string& key : CovenantDefinition::loadedKeys())
        covenantKeys.insert(toLowerCopy(key));
    for (const auto& d : data->getCovenantDefinitions())
        covenantKeys.insert(toLowerCopy("StartingRelation" + d.name));
    for (int response = 1; response < kCovenantResponseCount; ++response) {
        std::string key = "DiplomacyTextResponse" + getCovenantResponseName(response);
        covenantKeys.insert(toLowerCopy(key));
        for (const GameRules::RelationName& relation : data->rules().relationNames)
            covenantKeys.insert(toLowerCopy(key + relation.name));
    }
    std::set<std::string> traitKeys = {"name", "desc", "texturename", "statuseffect", "conflictingtrait"};
    for (int kind = 0; kind < kCovenantMultiplierCount; ++kind)
        traitKeys.insert(toLowerCopy("CovMult" + getCovenantMultiplierName(kind)));
    const std::set<std::string> entryKeys = {"type", "base", "baseonly"};

    auto check = [&](DatabaseEntryType type, const std::set<std::string>& known) {
        std::vector<const DatabaseEntry*> entries = entriesOfType(type);
        EXPECT_FALSE(entries.empty());
        for (const DatabaseEntry* e : entries)
            for (const DatabaseField& field : e->getFields()) {
                std::string key = toLowerCopy(field.key);
                EXPECT_TRUE(known.count(key) || entryKeys.count(key)) << e->getName() << ": " << field.key;
            }
    };
    check(DatabaseEntryType::Covenant, covenantKeys);
    check(DatabaseEntryType::CovenantTrait, traitKeys);

    // The template sets every tuning key, so a personality reads no silent 0.
    const DatabaseEntry* base = database.findEntry("CovenantPersonalityBase");
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->isBaseOnly());
    const std::set<std::string> notOnTemplate = {"shortname", "smallcrestname", "crestname", "trait"};
    for (const std::string& key : CovenantDefinition::loadedKeys())
        if (!notOnTemplate.count(toLowerCopy(key))) {
            EXPECT_NE(base->findOwnField(key), nullptr) << key;
        }
    for (const char* key : {"MinComparisionGold", "MinComparisionInfluence", "MinComparisionCrystals"})
        EXPECT_GE(DefinitionReader(base).getInt(key), 1) << key;
}

TEST_F(ShippedCovenantData, RelationNamesFitTheRelationScale)
{
    ASSERT_TRUE(loaded);
    std::vector<int> thresholds;
    for (const std::string& item :
         DefinitionReader(database.findEntry("GameSystem")).getStringList("RelationName"))
        thresholds.push_back(textToInt(item));
    ASSERT_FALSE(thresholds.empty());
    EXPECT_TRUE(std::is_sorted(thresholds.begin(), thresholds.end()));
    EXPECT_GT(thresholds.back(), 100);
    EXPECT_EQ(data->getRelationName(50), "Neutral");
    EXPECT_EQ(data->getRelationName(0), "Hated");
    EXPECT_EQ(data->getRelationName(100), "Allied");
}

TEST_F(ShippedCovenantData, PersonalitiesLoadTheirStance)
{
    ASSERT_TRUE(loaded);
    const CovenantDefinition* ironbound = data->getCovenantDefinition(definitionIndex("Ironbound"));
    const CovenantDefinition* gilded = data->getCovenantDefinition(definitionIndex("GildedScale"));
    const CovenantDefinition* human = data->getCovenantDefinition(definitionIndex("Human"));
    ASSERT_TRUE(ironbound && gilded && human);
    const int hard = static_cast<int>(CovenantDifficultyLevel::Hard);
    EXPECT_FLOAT_EQ(CovenantDefinition::familyValue(ironbound->RelationStartRaid, hard), 40.0f);
    EXPECT_FLOAT_EQ(CovenantDefinition::familyValue(human->RelationStartRaid, hard), 20.0f); // the template's
    EXPECT_EQ(ironbound->getTraitName(0), "TraitWarlike");
    EXPECT_EQ(ironbound->NumTraits, 2);
    EXPECT_EQ(human->NumTraits, 0);
    EXPECT_EQ(ironbound->color, parseColorType("Red"));
    EXPECT_EQ(human->color, parseColorType("LightBlue"));
    EXPECT_EQ(ironbound->MaxWarTime, GameTime(1, 0, 0, 0.0f));

    // Curves over relation 0 … 100.
    EXPECT_FLOAT_EQ(human->DemandChance.at(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(human->DemandChance.at(100.0f), 0.1f);
    EXPECT_GT(gilded->TradeChance.at(0.0f), human->TradeChance.at(0.0f));
    EXPECT_FLOAT_EQ(gilded->getRelationForTradeRoute(static_cast<int>(TradeRoute::Tiny)), 35.0f);
    EXPECT_EQ(human->getMoodName(50.0f), "$$MoodCalm$$");
    EXPECT_EQ(human->getMoodName(100.0f), "$$MoodDevoted$$");

    // Rolls stay within their pairs; starting relations as set.
    for (int i = 0; i < 20; ++i) {
        float r = ironbound->rollRelationChangeDemand();
        EXPECT_GE(r, ironbound->RelationChangeMinDemand);
        EXPECT_LE(r, ironbound->RelationChangeMaxDemand);
        int level = ironbound->rollStartRecruitLevel(20);
        EXPECT_GE(level, 14);
        EXPECT_LE(level, 20);
    }
    EXPECT_FLOAT_EQ(ironbound->getStartingRelation(definitionIndex("Human")), 40.0f);
    EXPECT_FLOAT_EQ(gilded->getStartingRelation(definitionIndex("Human")), 55.0f);
    EXPECT_FLOAT_EQ(ironbound->getStartingRelation(definitionIndex("GildedScale")), 45.0f);
    EXPECT_GT(ironbound->getStartMoney(10), 0);
    EXPECT_EQ(ironbound->baseStartItems.size(), 3u);
}

TEST_F(ShippedCovenantData, RaidContinuationValuesPointTheRightWay)
{
    // Reasons to go home lower the continuation value, winning raises it.
    for (const auto& loaded : data->getCovenantDefinitions()) {
        const CovenantDefinition* d = loaded.definition;
        if (!d || loaded.name == "Human")
            continue;
        for (float toStop :
             {d->StopRaidChanceChangeLifeStoneDanger, d->StopRaidChanceChangeLifeStoneThreatened,
              d->StopRaidChanceChangeLifeStoneDamaged, d->StopRaidChanceChangeLosingRaid,
              d->StopRaidChanceChangeLosingRaidBadly, d->StopRaidChanceChangeBeingRaided,
              d->StopRaidChanceChangeMediumRaid, d->StopRaidChanceChangeLongRaid})
            EXPECT_LT(toStop, 0.0f) << loaded.name;
        EXPECT_GT(d->StopRaidChanceChangeWinningRaid, 0.0f) << loaded.name;
        EXPECT_GT(d->StopRaidChanceChangeWinningRaidWell, 0.0f) << loaded.name;
        // A stone in danger alone ends a raid.
        EXPECT_LE(1.0f + d->StopRaidChanceChangeLifeStoneDanger, 0.01f) << loaded.name;
        // Past the long-raid time even a raid going well ends.
        EXPECT_LE(1.0f + d->StopRaidChanceChangeWinningRaidWell + d->StopRaidChanceChangeLongRaid, 0.01f)
            << loaded.name;
        EXPECT_LT(d->MediumRaidTime, d->LongRaidTime) << loaded.name;
    }
}

// What the covenant houses, guards and recruits need of the shipped data.
TEST_F(ShippedCovenantData, HouseGuardAndRecruitRules)
{
    ASSERT_TRUE(loaded);
    // Every guard item hires a type that can stand guard.
    int guards = 0;
    for (int i = 0; i < database.getEntryCount(); ++i) {
        const DatabaseEntry* e = database.getEntryAt(i);
        const std::string type = database.getString(e, "GuardType");
        if (type.empty())
            continue;
        const MonsterType* monster = data->findMonsterType(type);
        ASSERT_NE(monster, nullptr) << e->getName() << " names " << type;
        EXPECT_TRUE(monster->guardCapable) << e->getName() << " names " << type;
        ++guards;
    }
    EXPECT_GE(guards, 3);

    const DatabaseEntry* rules = database.findEntry("GameSystem");
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(database.getStringList(rules, "PedestalOffset").size(), 4u);

    // The pedestal's model tags the place its relic hangs; the stone heals
    // through an effect that exists.
    const DatabaseEntry* pedestal = database.findEntry("ObjectPedestal");
    ASSERT_NE(pedestal, nullptr);
    const std::string model = gameDataPath(database.getString(pedestal, "ModelName"));
    std::ifstream mdl(model);
    std::string line, tags;
    while (std::getline(mdl, line))
        if (line.rfind("tags ", 0) == 0)
            tags = line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
    ASSERT_FALSE(tags.empty()) << model;
    std::ifstream tagFile(std::filesystem::path(model).parent_path() / tags);
    bool relic = false;
    while (std::getline(tagFile, line))
        relic = relic || line.rfind("tag_relic ", 0) == 0;
    EXPECT_TRUE(relic) << tags;
    const DatabaseEntry* stone = database.findEntry("ObjectLifestone");
    ASSERT_NE(stone, nullptr);
    EXPECT_NE(database.findEntry(database.getString(stone, "UseStatusEffect")), nullptr);

    // Both recruit enhancements for every class a covenant recruits.
    for (int c = 0; c < 4; ++c) {
        const std::string cls = getCharacterClassTypeName(c);
        for (const char* kind : {"Hero", "Basic"})
            EXPECT_NE(database.findEntry(std::string("EnhancementRecruit") + kind + cls), nullptr)
                << kind << cls;
    }
    for (const auto& d : data->getCovenantDefinitions())
        EXPECT_GT(d.definition->GenericValueChunkPercent, 0.0f) << d.name;
}
