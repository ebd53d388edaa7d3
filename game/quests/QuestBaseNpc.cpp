// The quest's NPC: class, sex and name, all derived from npcSeed.
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/NameGenerator.h"
#include "game/quests/QuestBase.h"

int QuestBase::rollNpcClass() const
{
    if (is(QuestType::StoryShankarRescue))
        return 0;
    // The value stream 3 would give after seeding it with npcSeed, computed
    // on a copy so that building a text moves no shared stream.
    uint32_t state = npcSeed * Random::kMultiplier + Random::kIncrement;
    float r = static_cast<float>((state >> 16) & 0x7FFF) / 32768.0f;
    int npcClass = static_cast<int>(r * 4.0f);
    return npcClass > 3 ? 3 : npcClass;
}

bool QuestBase::isNpcMale() const
{
    if (is(QuestType::Kidnapping))
        return npcChoice == 0 || npcChoice == 2 || npcChoice == 3 || npcChoice == 5;
    int npcClass = rollNpcClass();
    return npcClass == 0 || npcClass == 3;
}

std::string QuestBase::generateNpcName() const
{
    NameGenerator* names = NameGenerator::instance();
    if (!names)
        return "";
    return names->generateName(isNpcMale() ? "npcsMale" : "npcsFemale", npcSeed);
}

const std::string& QuestBase::getNpcName()
{
    if (npcName.empty() && isAny({QuestType::DeadlyPoison, QuestType::Kidnapping, QuestType::Petrify})) {
        // A choice outside the town's NPC list names nobody.
        if (npcChoice >= 0 && npcChoice < getNpcCount()) {
            npcName = getNpcNameAt(npcChoice);
            NpcType npcType = getNpcType(npcChoice);
            if (npcType != NpcType::None)
                appendFormat(npcName, " ($$NpcType%s$$)", getNpcTypeName(toIndex(npcType)).c_str());
        }
    }
    return npcName;
}
