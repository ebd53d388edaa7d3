#include "ui/widgets/UIWidget.h"

#include "client/mirrors/EntityClient.h"
#include "engine/console/KeyNames.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"

#include <cstdlib>

namespace {

ClientView* clientView()
{
    UISystem* ui = UISystem::instance();
    return ui ? ui->getClientView() : nullptr;
}

bool boundVarReady(const UserVarRef& var)
{
    return userVarsReady() && var.isValid();
}

int minLevelToPlay(WorldDifficultyLevel difficulty)
{
    const GameData* data = GameData::instance();
    return data ? data->rules().minCharacterLevel[static_cast<size_t>(difficulty)] : 0;
}

} // namespace

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
    ClientView* view = clientView();
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
    ClientView* view = clientView();
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
    ClientView* view = clientView();
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
        ClientView* view = clientView();
        return view && view->getChosenClassIndex() == condition - UICondition::PlayerWarrior;
    }
    default:
        // None, CovenantPoints, and the game-state rows that read the
        // client's mirrors: false while they are absent.
        return false;
    }
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
        const CharacterClass* type =
            data->findCharacterClassById(static_cast<int>(parseCharacterClassType(name)));
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
    default:
        // None, the files a text widget reads itself, and the sources that
        // read the game: empty while the player, covenant or game is absent.
        return std::string();
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
