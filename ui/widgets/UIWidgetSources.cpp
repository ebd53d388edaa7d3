#include "ui/widgets/UIWidget.h"

#include "client/mirrors/EntityClient.h"
#include "engine/console/KeyNames.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/Money.h"
#include "game/quests/QuestBase.h"
#include "game/quests/RecruitBase.h"
#include "game/skills/SkillTree.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/WidgetReads.h"

#include <cstdlib>

int getKeyCodeByName(const std::string& name)
{
    if (VirtualKeys* keys = VirtualKeys::instance()) {
        int code = keys->findKey(name, true);
        if (code != -1) {
            return code;
        }
    }
    return keyNameToCode(name);
}

std::string getKeyDisplayName(int code)
{
    std::string name;
    if (VirtualKeys* keys = VirtualKeys::instance()) {
        name = keys->getBoundKeyName(code);
    }
    return name.empty() ? keyCodeToName(code) : name;
}

EntityClient* UIWidget::getEntity() const
{
    ClientView* view = widgetClientView();
    if (!view) {
        return nullptr;
    }
    switch (m_entityType) {
    case UIEntity::PlayerServer:
        return view->getPlayerEntity();
    case UIEntity::PlayerClient:
        return view->getLocalPlayer();
    case UIEntity::Selected:
    case UIEntity::SelectedRecruit:
        return view->getTargetEntity(true);
    case UIEntity::PartyMember:
        return view->getPartyMember(m_entityIndex);
    default:
        return nullptr;
    }
}

int UIWidget::getCovenantIndex() const
{
    ClientView* view = widgetClientView();
    if (!view) {
        return -1;
    }
    switch (m_entityType) {
    case UIEntity::PlayerCovenant:
    case UIEntity::PlayerCovenantServer:
        return view->getPlayerCovenantIndex();
    case UIEntity::EnemyCovenant:
        return m_entityIndex;
    case UIEntity::SortedCovenantByPower:
        return view->getCovenantIndexByPower(m_entityIndex);
    default:
        return -1;
    }
}

CovenantBase* UIWidget::getCovenant() const
{
    ClientView* view = widgetClientView();
    if (!view) {
        return nullptr;
    }
    switch (m_entityType) {
    case UIEntity::PlayerCovenant:
        return view->getPlayerCovenant();
    case UIEntity::PlayerCovenantServer:
    case UIEntity::EnemyCovenant:
    case UIEntity::SortedCovenantByPower:
        return view->getCovenant(getCovenantIndex());
    default: {
        EntityClient* entity = getEntity();
        return entity ? view->getCovenant(entity->getCovenantIndex()) : nullptr;
    }
    }
}

void UIWidget::getText(std::string& out) const
{
    out.clear();
    UISystem* ui = UISystem::instance();
    const ClientView* view = ui ? ui->getClientView() : nullptr;
    if (m_textSources.empty() || m_textSources.front().type != UITextSource::AreaName || !view ||
        !view->hasLocalPlayer()) {
        return;
    }
    out = view->getLevelName(view->getCurrentLevel());
}

std::string UIWidget::getSourceText(const UITextSourceRecord& record, const UIWidget& widget)
{
    switch (record.type) {
    case UITextSource::UserVar:
        return boundVarReady(widget.m_userVar) ? widget.m_userVar.getString() : std::string();
    case UITextSource::SpecifiedUserVar:
        return getUserVarString(record.argument);
    case UITextSource::ShelfName:
        return formatString("Shelf %d", record.number + 1);
    case UITextSource::Version: {
        const GameData* data = GameData::instance();
        return data ? data->rules().version : std::string();
    }
    case UITextSource::SelectedCharacterClassDescription: {
        const GameData* data = GameData::instance();
        if (!data || !boundVarReady(widget.m_userVar)) {
            return std::string();
        }
        std::string name = stripTextKeyMarkers(widget.m_userVar.getString());
        if (name.empty()) {
            return std::string();
        }
        // The class buttons store their text key ("$$ClassWarrior$$"): the
        // type is the name after "Class". Looked up without a log line, since
        // this runs every frame.
        const EnumNameTable& types = getGameEnumTable(GameEnum::CharacterClassType);
        int id = types.find(name);
        if (id < 0 && name.compare(0, 5, "Class") == 0) {
            id = types.find(std::string_view(name).substr(5));
        }
        const CharacterClass* type = id >= 0 ? data->findCharacterClassById(id) : nullptr;
        return type ? type->desc : std::string();
    }
    case UITextSource::SubmenuName: {
        UIMenu* page = widget.m_menu ? widget.m_menu->getSubMenu(record.number) : nullptr;
        return page ? page->getExternalName() : std::string();
    }
    case UITextSource::HelpTopic:
        return "$$HelpText" + getUserVarString("HelpTopic") + "$$";
    case UITextSource::HelpTopicTitle:
        return "$$HelpTitle" + getUserVarString("HelpTopic") + "$$";
    case UITextSource::Text:
        return record.argument;
    case UITextSource::VirtualKeyRealKeyName: {
        VirtualKeys* keys = VirtualKeys::instance();
        return keys ? keys->getBoundKeyName(keys->findKey(record.argument, true)) : std::string();
    }
    case UITextSource::HotKey:
        return widget.getHotKeyHint(record.argument);
    case UITextSource::NamedHotKey:
        return getKeyDisplayName(getKeyCodeByName(record.argument));
    case UITextSource::TextFile:
    case UITextSource::TextFileDirect:
        // The text widget reads its files itself.
        return std::string();
    default:
        return gameSourceText(record, widget);
    }
}

std::string UIWidget::buildSourceText(const std::vector<UITextSourceRecord>& list, const UIWidget& widget)
{
    std::string out;
    for (const UITextSourceRecord& record : list) {
        out += getSourceText(record, widget);
    }
    return out;
}

bool UIWidget::hasTextSource(const std::vector<UITextSourceRecord>& list)
{
    return !list.empty() && list.front().type != UITextSource::None;
}

namespace {

const char* const kNoNewQuests = "No new quests available.";

// The class of a widget entity: only the player's characters have one.
const CharacterClass* entityClass(const ClientView& view, const EntityClient* entity)
{
    if (!entity || (entity != view.getLocalPlayer() && entity != view.getPlayerEntity())) {
        return nullptr;
    }
    return view.getPlayerClass();
}

std::string tooltipOf(const EntityClient* entity, bool shortText, bool anyEntity, bool withName)
{
    std::string out;
    if (entity) {
        entity->getTooltipText(out, shortText, anyEntity, withName);
    }
    return out;
}

int levelColour(int d)
{
    if (d <= -5) {
        return 4;
    }
    if (d <= -2) {
        return 2;
    }
    if (d <= 2) {
        return 5;
    }
    if (d <= 4) {
        return 6;
    }
    return d == 5 ? 7 : 1;
}

// The place + 1 of a covenant in an order read by place; 0 when absent.
template <typename ByPlace> int rankOf(int covenant, ByPlace byPlace)
{
    for (int place = 0; place < CovenantBase::kMaxCovenants; ++place) {
        int index = byPlace(place);
        if (index == -1) {
            return 0;
        }
        if (index == covenant) {
            return place + 1;
        }
    }
    return 0;
}

std::string recruitSkills(const RecruitBase& recruit)
{
    const Database* database = Database::instance();
    std::string out;
    for (int32_t id : recruit.skills) {
        const DatabaseEntry* entry = database ? database->getEntryByIndex(id) : nullptr;
        if (entry) {
            out += DefinitionReader(entry).getString("BaseName") + "\n";
        }
    }
    return out;
}

} // namespace

std::string UIWidget::gameSourceText(const UITextSourceRecord& record, const UIWidget& widget)
{
    ClientView* view = widgetClientView();
    if (!view) {
        return std::string();
    }
    const bool player = view->hasLocalPlayer();
    const EntityClient* selected = view->getTargetEntity(true);
    switch (record.type) {
    case UITextSource::PlayerName:
        return view->getPlayerName();
    case UITextSource::PlayerNameAndTitle:
        return view->getPlayerNameAndTitle();
    case UITextSource::PlayerTitle:
        return view->getPlayerTitle();
    case UITextSource::PlayerClassName: {
        const CharacterClass* type = view->getPlayerClass();
        return type ? type->name : std::string();
    }
    case UITextSource::PowerName: {
        const CharacterClass* type = entityClass(*view, widget.getEntity());
        return type ? type->powerName : std::string();
    }
    case UITextSource::PowerSources: {
        const CharacterClass* type = entityClass(*view, widget.getEntity());
        return type ? powerSourcesText(*type) : std::string();
    }
    case UITextSource::SelectedFullName:
        return tooltipOf(selected, true, true, true);
    case UITextSource::SelectedName:
        return tooltipOf(selected, true, true, false);
    case UITextSource::SelectedTitle:
        return tooltipOf(selected, true, false, true);
    case UITextSource::EntityName:
        return tooltipOf(widget.getEntity(), false, true, true);
    case UITextSource::EntityNameSimple:
        return tooltipOf(widget.getEntity(), true, true, true);
    case UITextSource::EntityLevel: {
        const EntityClient* entity = widget.getEntity();
        if (!entity) {
            return std::string();
        }
        return formatColorCode(levelColour(widget.getEntityLevelDifference())) +
               std::to_string(view->getEntityLevel(entity));
    }
    case UITextSource::CovenantName: {
        const CovenantBase* covenant = widget.getCovenant();
        return covenant ? "$$" + covenant->getName() + "$$" : std::string();
    }
    case UITextSource::CovenantShortName: {
        const CovenantBase* covenant = widget.getCovenant();
        return covenant ? "$$" + covenant->getDisplayName() + "$$" : std::string();
    }
    case UITextSource::ColoredCovenantName:
        return coloredName(widget.getCovenant());
    case UITextSource::ColoredCovenantShortName:
        if (!widget.getCovenant()) {
            return std::string();
        }
        return coloredName(view->getCovenant(widget.m_entityType == UIEntity::EnemyCovenant
                                                 ? widget.m_entityIndex
                                                 : view->getCovenantCount() - 1));
    case UITextSource::AreaName: {
        if (!player) {
            return std::string();
        }
        int level = view->getCurrentLevel();
        return (view->playerHasQuestInLevel(level) ? formatColorCode(2) : std::string()) +
               view->getLevelName(level);
    }
    case UITextSource::SkillTreeName: {
        const CharacterClass* type = view->getPlayerClass();
        if (!type || record.number < 0 || record.number >= type->getSkillTreeCount()) {
            return std::string();
        }
        // The tree's own "Name" as a text key, so a language can rename it.
        const ClassSkillTree& tree = type->skillTrees[static_cast<size_t>(record.number)];
        std::string name = tree.tree ? tree.tree->name : std::string();
        if (name.empty()) {
            name = DefinitionReader(DefinitionReader::findEntry(tree.name)).getString("Name");
        }
        return name.empty() ? tree.name : wrapText(name.c_str());
    }
    case UITextSource::QuestText:
        if (!player) {
            return std::string();
        }
        if (view->countActiveQuests() == 0) {
            return "No active quests, go get one!";
        }
        return view->getPlayerQuestDescription(boundVarInt(widget.m_userVar));
    case UITextSource::QuestTitle:
        return view->getPlayerQuestTitle(record.number);
    case UITextSource::PotentialQuestText: {
        std::string chosen = getUserVarString("SelectedQuest");
        QuestBase* quest = chosen.empty() ? nullptr : view->getOfferedQuest(std::atoi(chosen.c_str()));
        if (!quest) {
            return kNoNewQuests;
        }
        const EntityClient* entity = widget.getEntity();
        if (!entity || !player) {
            return std::string();
        }
        if (!entity->hasNewQuestForPlayer()) {
            return kNoNewQuests;
        }
        return quest->getDescription(view->getPlayerStat(static_cast<int>(CharacterStat::Level)),
                                     view->getGameTime(), view->getPlayerName());
    }
    case UITextSource::SolvedQuestText:
        return player && selected ? view->getPlayerQuestDescription(view->findCompletedQuestSlot(selected))
                                  : std::string();
    case UITextSource::SolvedQuestTitle:
        return player && selected ? view->getPlayerQuestTitle(view->findCompletedQuestSlot(selected))
                                  : std::string();
    case UITextSource::DiplomacyResponse:
        return view->getDiplomacyResponse();
    case UITextSource::NpcChatText:
        return view->getNpcChatText();
    case UITextSource::TimedEventType: {
        const EntityClient* entity = widget.getEntity();
        if (entity && entity == view->getLocalPlayer()) {
            entity = view->getPlayerEntity();
        }
        int kind = entity ? entity->getProgressKind() : 0;
        if (kind <= 0 || kind >= getGameEnumCount(GameEnum::TimedAction)) {
            return std::string();
        }
        return "$$" + getGameEnumName(GameEnum::TimedAction, kind) + "$$";
    }
    case UITextSource::CovenantInfluenceRank:
    case UITextSource::CovenantPowerRank: {
        int index = widget.getCovenantIndex();
        if (index == -1) {
            return std::string();
        }
        bool influence = record.type == UITextSource::CovenantInfluenceRank;
        int rank = rankOf(index, [&](int place) {
            return influence ? view->getCovenantIndexByInfluence(place)
                             : view->getCovenantIndexByPower(place);
        });
        if (rank == 0) {
            return std::string();
        }
        return formatString(influence ? "Inf: #%d" : "Pw: #%d", rank);
    }
    case UITextSource::CovenantTaxesSimple:
    case UITextSource::CovenantTaxes: {
        const CovenantBase* covenant = widget.getCovenant();
        if (!covenant) {
            return std::string();
        }
        return formatString(record.type == UITextSource::CovenantTaxes ? "Tx: %d" : "%d Taxes",
                            covenant->sumRelationValues());
    }
    case UITextSource::CovenantTaxesVerbose: {
        const CovenantBase* covenant = widget.getCovenant();
        return covenant ? covenantTaxesText(*covenant) : std::string();
    }
    case UITextSource::CovenantHas:
    case UITextSource::CovenantOffers: {
        int current = view->getCurrentCovenant();
        if (current == -1) {
            return std::string();
        }
        return coloredName(view->getCovenant(current)) +
               (record.type == UITextSource::CovenantHas ? " Has" : " Offers");
    }
    case UITextSource::RecruitSkills: {
        const RecruitBase* recruit =
            widget.m_entityType == UIEntity::SelectedRecruit ? view->getSelectedRecruit() : nullptr;
        return recruit ? recruitSkills(*recruit) : std::string();
    }
    case UITextSource::TomesOnBookshelf: {
        const GameData* data = GameData::instance();
        int size = data ? data->rules().bookshelfSize : 0;
        int tomes = 0;
        for (int place = 0; player && place < size; ++place) {
            tomes += view->getPlayerItem(static_cast<int>(InventoryGroupIndex::Bookshelf), place) ? 1 : 0;
        }
        return formatString("Tomes: %d of %d", tomes, size);
    }
    case UITextSource::ShortestTimeQuestTitle: {
        QuestBase* quest = view->findMostUrgentQuest();
        return quest ? quest->getTitle(false, view->getPlayerStat(static_cast<int>(CharacterStat::Level)))
                     : std::string();
    }
    case UITextSource::ShortestTimeQuestTime: {
        QuestBase* quest = view->findMostUrgentQuest();
        return quest ? formatTimeLeft(static_cast<float>(quest->getTimeLeft(view->getGameTime())))
                     : std::string();
    }
    case UITextSource::RelationWithPlayerCovenant:
        return relationWithPlayerText(widget);
    case UITextSource::BagCapacity: {
        if (!player) {
            return std::string();
        }
        int used = 0, capacity = 0;
        for (int group = static_cast<int>(InventoryGroupIndex::Bag1), n = 0; n < 4; ++group, ++n) {
            used += view->getPlayerGroupCount(group);
            capacity += view->getPlayerGroupCapacity(group);
        }
        // Strictly above nine tenths, in whole numbers: 18 of 20 stays plain.
        bool full = capacity > 0 && used * 10 > capacity * 9;
        return (full ? formatColorCode(1) : std::string()) + formatString("%d/%d", used, capacity);
    }
    case UITextSource::IdentifyAll:
        return player ? formatString("Identify all your items for %s",
                                     formatMoney(view->getIdentifyAllCost()).c_str())
                      : std::string();
    case UITextSource::MilitaryWinProgress:
    case UITextSource::MilitaryWinRemaining:
    case UITextSource::DiplomaticWinProgress:
    case UITextSource::DiplomaticWinRemaining:
    case UITextSource::AllianceWinProgress:
    case UITextSource::AllianceWinRemaining:
        return winText(record.type);
    case UITextSource::RaidingCovenant: {
        const CovenantBase* covenant = widget.getCovenant();
        const CovenantBase* target = covenant ? view->getCovenant(covenant->raidTarget) : nullptr;
        return target ? wrapText("RaidingCovenant", "%s", coloredName(target).c_str()) : std::string();
    }
    case UITextSource::RumorText:
        return rumorText(record.number);
    case UITextSource::WonGameText:
        return view->getWonGameText();
    case UITextSource::LostGameText:
        return view->getLostGameText();
    default:
        return std::string();
    }
}
