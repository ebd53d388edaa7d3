#include "client/mirrors/SkillListClient.h"

#include "client/mirrors/SkillClient.h"
#include "game/skills/SkillDefinition.h"

#include <algorithm>
#include <map>

SkillBase* SkillListClient::createSkill()
{
    return new SkillClient();
}

void SkillListClient::layoutSkillTrees()
{
    for (int tree = 0; tree < SkillBase::kTreeCount; ++tree) {
        std::vector<SkillClient*> skills;
        // Counted over the distinct tiers, not indexed by them: a tier is any
        // integer the data gives.
        std::map<int, int> tierCounts;
        for (SkillBase* skill : getSkills()) {
            auto* client = dynamic_cast<SkillClient*>(skill);
            if (!client || client->getTree() != tree) {
                continue;
            }
            skills.push_back(client);
            const SkillDefinition* definition = client->getDefinition();
            ++tierCounts[definition ? definition->baseCost : 0];
        }
        std::map<int, int> rowOf;
        for (const auto& [tier, count] : tierCounts) {
            int row = static_cast<int>(rowOf.size());
            rowOf[tier] = row;
        }
        double rows = static_cast<double>(tierCounts.size());
        std::map<int, int> placed;
        for (SkillClient* skill : skills) {
            const SkillDefinition* definition = skill->getDefinition();
            int tier = definition ? definition->baseCost : 0;
            int k = placed[tier]++;
            double n = static_cast<double>(tierCounts[tier]);
            skill->treeX = static_cast<float>((k + 1) / (n + 1));
            skill->treeY = static_cast<float>((rowOf[tier] + 1) / (rows + 1));
        }
    }
}
