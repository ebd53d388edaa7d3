#include "ui/widgets/UIWidget.h"

#include "client/mirrors/EntityClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/CovenantBase.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/maps/MiniMap.h"
#include "ui/maps/WorldMap.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/WidgetReads.h"

#include <cmath>
#include <cstdlib>

namespace {

int minLevelToPlay(WorldDifficultyLevel difficulty)
{
    const GameData* data = GameData::instance();
    return data ? data->rules().minCharacterLevel[static_cast<size_t>(difficulty)] : 0;
}

constexpr int kEquipmentPlaces = 18;
constexpr int kTreatyWar = 2;
constexpr int kTreatyRaid = 3;
constexpr int kTreatyMutualProtection = 5;
constexpr int kTreatyAlliance = 6;

bool isOut(const CovenantBase* covenant)
{
    return !covenant || covenant->destroyed;
}

// A pair i < j of covenants for which the test holds.
template <typename Test> bool anyCovenantPair(const ClientView& view, Test test)
{
    int count = view.getCovenantCount();
    for (int i = 0; i < count; ++i) {
        const CovenantBase* a = view.getCovenant(i);
        for (int j = i + 1; a && j < count; ++j) {
            if (test(*a, j)) {
                return true;
            }
        }
    }
    return false;
}

bool lowHealth(int health, int maximum)
{
    return maximum >= 1 && static_cast<float>(health) / static_cast<float>(maximum) < 0.25f;
}

} // namespace

// The rows that read the game: false without the player, its covenant or a
// running game, whichever the row needs.
bool UIWidget::checkGameCondition(int condition) const
{
    ClientView* view = widgetClientView();
    if (!view) {
        return false;
    }
    const bool player = view->hasLocalPlayer();
    const CovenantBase* own = view->getPlayerCovenant();
    const int ownIndex = view->getPlayerCovenantIndex();
    const bool running = view->isGameRunning();
    const EntityClient* selected = view->getTargetEntity(true);
    const int rank = selected ? selected->getRank() : -1;

    switch (condition) {
    case UICondition::AttributePoints:
        return player && view->getPlayerStat(static_cast<int>(CharacterStat::AttributePointsLeft)) > 0;
    case UICondition::SkillPoints:
        return player && view->getPlayerStat(static_cast<int>(CharacterStat::SkillPointsLeft)) > 0;
    case UICondition::QuestNotice: {
        if (!player) {
            return false;
        }
        bool any = false;
        for (int slot = 0; slot < 6; ++slot) {
            if (view->playerHasQuest(slot)) {
                any = true;
                if (view->isPlayerQuestFinished(slot)) {
                    return true;
                }
            }
        }
        return !any;
    }
    case UICondition::AtWar:
        if (!running || !own) {
            return false;
        }
        for (int i = 0; i < view->getCovenantCount(); ++i) {
            const CovenantBase* covenant = view->getCovenant(i);
            if (covenant && covenant->isHostile(ownIndex)) {
                return true;
            }
        }
        return false;
    case UICondition::OutstandingDiplomacyRequest:
        return own && view->findPendingOffer() != -1;
    case UICondition::BeingRaided:
        return own && view->isPlayerCovenantBeingRaided();
    case UICondition::BeingRaidedOrAttacked:
        return own && (view->isPlayerCovenantBeingRaided() || view->isPlayerCovenantAttacked());
    case UICondition::FriendBeingRaided:
        if (isOut(own)) {
            return false;
        }
        for (int i = 0; i < view->getCovenantCount(); ++i) {
            int state = own->getRelationState(i);
            if ((state == kTreatyMutualProtection || state == kTreatyAlliance) &&
                view->isCovenantBeingRaided(i)) {
                return true;
            }
        }
        return false;
    case UICondition::Raiding:
        return own && view->isPlayerCovenantRaiding();
    case UICondition::ImportantCovenant: {
        const CovenantBase* described = getCovenant();
        if (!described || !own) {
            return false;
        }
        int index = getCovenantIndex();
        if (index < 0) {
            index = described->index;
        }
        if (described == own || index == ownIndex) {
            return true;
        }
        auto hostile = [](int state) { return state == kTreatyWar || state == kTreatyRaid; };
        return hostile(described->getRelationState(ownIndex)) || hostile(own->getRelationState(index));
    }
    case UICondition::ChampionMonster:
        return rank == 1 || rank == 2;
    case UICondition::EliteMonster:
        return rank == 3 || rank == 4;
    case UICondition::UniqueMonster:
        return rank == 5;
    case UICondition::LegendMonster:
        return rank == 6;
    case UICondition::BossMonster:
        return rank == 7;
    case UICondition::NormalVendor:
        return selected && selected->isVendor() && !selected->isGuardVendor() && !selected->isGambler();
    case UICondition::GuardVendor:
        return selected && selected->isGuardVendor();
    case UICondition::Gambler:
        return selected && selected->isGambler();
    case UICondition::LowHealth: {
        if (const EntityClient* entity = getEntity()) {
            return lowHealth(entity->getHealth(), entity->getMaxHealth());
        }
        const CovenantBase* covenant = getCovenant();
        return covenant && lowHealth(covenant->getLifestoneHealth(), covenant->getLifestoneMaxHealth());
    }
    case UICondition::NearLevelUp:
        return player && view->getPlayerStat(static_cast<int>(CharacterStat::Xp)) >
                             static_cast<int>(std::lround(
                                 view->getPlayerStat(static_cast<int>(CharacterStat::XpNeeded)) * 0.9));
    case UICondition::HasQuestAvailable:
        return player && selected && selected->hasNewQuestForPlayer();
    case UICondition::TutorialQuest:
        return player && selected && selected->hasNewQuestForPlayer() && selected->getNpcType() == 11;
    case UICondition::EntityValid:
        return getEntity() != nullptr;
    case UICondition::EntityDead: {
        const EntityClient* entity = getEntity();
        return entity && entity->isDead();
    }
    case UICondition::EntityHasHealth: {
        const EntityClient* entity = getEntity();
        return entity && entity->getMaxHealth() > 0;
    }
    case UICondition::EntityHasPower: {
        const EntityClient* entity = getEntity();
        return entity && entity->getPower() > 0;
    }
    case UICondition::ValidSelectedQuest:
        return checkCondition(UICondition::ParentWidgetSelected) && player &&
               view->playerHasQuest(boundVarInt(m_userVar));
    case UICondition::CanSkipSelectedPlayerQuest: {
        if (!checkCondition(UICondition::ParentWidgetSelected) || !player) {
            return false;
        }
        int slot = boundVarInt(m_userVar);
        return view->playerHasQuest(slot) && view->canSkipQuest(view->getPlayerQuestId(slot));
    }
    case UICondition::CanSkipSelectedQuest: {
        if (!player || !boundVarReady(m_userVar)) {
            return false;
        }
        int id = m_userVar.getInt();
        for (int slot = 0; slot < 6; ++slot) {
            if (view->playerHasQuest(slot) && view->getPlayerQuestId(slot) == id) {
                return false;
            }
        }
        return view->canSkipQuest(id);
    }
    case UICondition::ValidTimedEvent: {
        const EntityClient* entity = getEntity();
        if (entity && entity == view->getLocalPlayer()) {
            entity = view->getPlayerEntity();
        }
        return entity && entity->getProgressKind() != 0;
    }
    case UICondition::TownBeingAttacked:
        return running && view->hasOpenTownQuest(true, false);
    case UICondition::TownBeingSieged:
        return running && view->hasOpenTownQuest(false, true);
    case UICondition::TimedQuest:
        return player && view->findMostUrgentQuest() != nullptr;
    case UICondition::LostGame:
        return running && own && own->destroyed;
    case UICondition::WonGame: {
        if (!running || !own) {
            return false;
        }
        for (int i = 0; i < view->getCovenantCount(); ++i) {
            if (i != ownIndex && !isOut(view->getCovenant(i))) {
                return false;
            }
        }
        return true;
    }
    case UICondition::ShowTreaties:
        return !getUserVarBool("rel_simplify") || anyCovenantPair(*view, [](const CovenantBase& a, int j) {
            return a.getRelationState(j) != 1;
        });
    case UICondition::ShowTradeRoutes:
        return !getUserVarBool("rel_simplify") || anyCovenantPair(*view, [](const CovenantBase& a, int j) {
            return a.getRelationSubState(j) != 0;
        });
    case UICondition::ExtraTextEvents: {
        UISystem* ui = UISystem::instance();
        UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
        return drawing && drawing->textEventCount() > 0;
    }
    case UICondition::ItemSet1:
        return player && view->getActiveItemSet() == 0;
    case UICondition::ItemSet2:
        return player && view->getActiveItemSet() == 1;
    case UICondition::NothingEquipped:
        if (!player) {
            return false;
        }
        for (int place = 0; place < kEquipmentPlaces; ++place) {
            if (view->getPlayerItem(static_cast<int>(InventoryGroupIndex::Equipment), place)) {
                return false;
            }
        }
        return true;
    case UICondition::PotentialRecruit:
        return own && selected && view->isRecruitCandidate(selected);
    case UICondition::MiniMapOn: {
        const MiniMap* map = MiniMap::instance();
        return map && map->isShown();
    }
    case UICondition::GateMapOn: {
        const WorldMap* map = WorldMap::instance();
        return map && map->isAtGate();
    }
    default:
        // None and CovenantPoints.
        return false;
    }
}

bool UIWidget::checkCondition(int condition) const
{
    switch (condition) {
    case UICondition::ParentWidgetSelected:
        return m_parent && m_parent->isSelected();
    case UICondition::TextMatchesUserVar:
        return boundVarReady(m_userVar) && m_userVar.getString() == m_text;
    case UICondition::StatMaxed:
        return isStatMaxed();
    case UICondition::SubmenuSelected:
        return m_menu && m_subMenuIndex == m_menu->getSelectedSubMenu();
    case UICondition::UserVarSet:
        return boundVarReady(m_userVar) && m_userVar.getBool();
    case UICondition::UserVarNotSet:
        return boundVarReady(m_userVar) && !m_userVar.getBool();
    case UICondition::UserVarDeleteVerification:
        return boundVarReady(m_userVar) && equalsNoCase(m_userVar.getString(), "delete");
    case UICondition::CanResumeGame:
        return !getUserVarString("resumeGameChar").empty();
    case UICondition::CanPlayChampion:
        return getUserVarInt("ParsedCharacterLevel") >= minLevelToPlay(WorldDifficultyLevel::Champion);
    case UICondition::CanPlayElite:
        return getUserVarInt("ParsedCharacterLevel") >= minLevelToPlay(WorldDifficultyLevel::Elite);
    case UICondition::CanPlayLegendary:
        return getUserVarInt("ParsedCharacterLevel") >= minLevelToPlay(WorldDifficultyLevel::Legendary);
    case UICondition::AlwaysTrue:
        return true;
    case UICondition::BelowDifficultyMinLevel: {
        const GameData* data = GameData::instance();
        if (!data) {
            return false;
        }
        int level = std::atoi(m_text.c_str());
        if (level == 0) {
            level = 1;
        }
        std::string name = getUserVarString("WorldDifficultyLevel");
        int difficulty = name.empty() ? 0 : static_cast<int>(parseWorldDifficultyLevel(name));
        if (difficulty < 0 || difficulty >= kWorldDifficultyCount) {
            return false;
        }
        return level < data->rules().worldDifficultyMinLevel[static_cast<size_t>(difficulty)];
    }
    case UICondition::PlayerWarrior:
    case UICondition::PlayerRogue:
    case UICondition::PlayerPriest:
    case UICondition::PlayerMage: {
        ClientView* view = widgetClientView();
        return view && view->getChosenClassIndex() == condition - UICondition::PlayerWarrior;
    }
    default:
        return checkGameCondition(condition);
    }
}
