#include "ui/menus/UIRelationsMenu.h"

#include "client/mirrors/EntityClient.h"
#include "engine/console/CommandLine.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Localization.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantNames.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/WidgetFactory.h"
#include "ui/widgets/UICovenantTraitIcon.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <cstdlib>

namespace {

const char* const kPageNames[UIRelationsMenu::PageCount] = {
    "RelationsMain",         "RelationsDiplomacy",        "RelationsTradeRequest", "RelationsTradeResponse",
    "RelationsPowerCompare", "RelationsInfluenceCompare", "RelationsWinProgress",  "RelationsRaid",
    "RelationsTrade",        "RelationsTradeItems",       "RelationsTreaties",     "RelationsRumor"};

ClientView* view()
{
    UISystem* ui = UISystem::instance();
    return ui ? ui->getClientView() : nullptr;
}

// The tooltip of a crest: name, relations, raid, then the extra line.
std::vector<UITextSourceRecord> crestSources(const std::string& extra)
{
    std::vector<UITextSourceRecord> out = {{UITextSource::ColoredCovenantName, -1, ""},
                                           {UITextSource::Text, -1, "\n"},
                                           {UITextSource::RelationWithPlayerCovenant, -1, ""},
                                           {UITextSource::RaidingCovenant, -1, ""}};
    if (!extra.empty()) {
        out.push_back({UITextSource::Text, -1, extra});
    }
    return out;
}

// Widgets made from a keyword text as a menu file would give them.
void addWidgets(UIMenu& menu, const std::string& text)
{
    TextReader reader(text, "CovenantRelations");
    menu.parse(reader, [](std::string_view type) -> std::unique_ptr<UIWidget> {
        if (type == "TraitIcon") {
            return std::make_unique<UICovenantTraitIcon>();
        }
        return createWidget(type);
    });
}

} // namespace

UIRelationsMenu::UIRelationsMenu()
{
    m_name = "CovenantRelations";
    m_fullScreen = true;
    m_badgeHint =
        formatColorCode(8) + "\nLeft click to talk to covenant" + "\nRight click to select/deselect covenant";
    m_badgeSources = crestSources(m_badgeHint);
    m_ownBadgeSources = crestSources(formatColorCode(8) + "\nRight click to select/deselect covenant");
    m_lifestoneHint = formatColorCode(8) + "\nLeft click to select the lifestone";
    for (int i = 0; i < kEntries; ++i) {
        buildEntry(i);
    }
    UISystem* ui = UISystem::instance();
    Vec2 picture = ui ? ui->getSettings().relationPicturePos : Vec2();
    Vec2 name = ui ? ui->getSettings().relationNamePos : Vec2();
    addWidgets(*this, formatString("Widget {\n internalName TalkPicture\n position %g %g\n size 64 64\n"
                                   " entityType EnemyCovenant\n highlightBackgroundAlpha 1\n}\n"
                                   "Widget {\n internalName TalkName\n position %g %g\n size 100 20\n"
                                   " textAlignment Center\n}\n",
                                   picture.x, picture.y, name.x, name.y));
    m_talkPicture = findWidget("TalkPicture");
    m_talkName = findWidget("TalkName");
    if (m_talkPicture) {
        m_talkPicture->setHighlightSources(crestSources(""));
    }
    for (int k = 0; k < kPowerComponents; ++k) {
        m_powerToggles[static_cast<size_t>(k)].componentIndex = k;
    }
    for (int k = 0; k < kInfluenceComponents; ++k) {
        m_influenceToggles[static_cast<size_t>(k)].componentIndex = k;
    }
    bindPages();
    setCurrentPage(Main);
    bindVariables();
    if (ui) {
        // A replaced relations menu leaves its listener behind, reading null.
        SafePtr<UIRelationsMenu> self(this);
        ui->addReloadListener([self] {
            if (UIRelationsMenu* menu = self.get()) {
                menu->bindPages();
            }
        });
    }
}

UIRelationsMenu::~UIRelationsMenu() = default;

// The menus may load before the variables exist: drawing asks again.
void UIRelationsMenu::bindVariables()
{
    UserVarSystem* vars = userVarsReady() ? UserVarSystem::instance() : nullptr;
    if (!vars || m_simplify.isValid()) {
        return;
    }
    m_showRelations = vars->getVar("rel_showRelations", "1", UserVarSystem::kCreate);
    m_showTreaties = vars->getVar("rel_showTreaties", "1", UserVarSystem::kCreate);
    m_showTradeRoutes = vars->getVar("rel_showTradeRoutes", "1", UserVarSystem::kCreate);
    m_simplify = vars->getVar("rel_simplify", "1", UserVarSystem::kCreate);
}

void UIRelationsMenu::buildEntry(int i)
{
    RelationsCovenantEntry& entry = m_entries[static_cast<size_t>(i)];
    entry.covenantIndex = i;
    entry.container = std::make_unique<UIMenu>();
    UIMenu& box = *entry.container;
    box.setParent(this);
    box.show();
    const std::string about = formatString(" entityType EnemyCovenant\n entityIndex %d\n", i);
    addWidgets(
        box, "Widget {\n internalName Picture\n position 0 0\n size 64 64\n highlightBackgroundAlpha 1\n" +
                 about + "}\n" + "Widget {\n position 0 -12\n size 64 10\n textSource ColoredCovenantName\n" +
                 " textAlignment Center\n useTextBackdrop 1\n" + about + "}\n" +
                 "Widget {\n internalName Eliminated\n position 0 32\n size 64 64\n text \"$$Eliminated$$\"\n"
                 " drawOrder 1\n useTextBackdrop 1\n" +
                 about + "}\n" +
                 "Widget {\n position 66 0\n size 50 15\n textSource CovenantInfluenceRank\n"
                 " highlightText \"Covenant influence rank\"\n useTextBackdrop 1\n" +
                 about + "}\n" +
                 "Widget {\n position 66 15\n size 50 15\n textSource CovenantPowerRank\n"
                 " highlightText \"Covenant power rank\"\n useTextBackdrop 1\n" +
                 about + "}\n" +
                 "Widget {\n position 66 30\n size 50 15\n textSource CovenantTaxes\n"
                 " highlightTextSource CovenantTaxesVerbose\n highlightText \"Covenant taxes\"\n"
                 " useTextBackdrop 1\n" +
                 about + "}\n" +
                 "StatBar {\n internalName Lifestone\n position 0 69\n size 64 5\n texture "
                 "Textures/UI/gradiant_green.tga\n color " +
                 ColorSystem::getName(2) +
                 "\n stat Other CovenantHealth CovenantMaxHealth\n"
                 " highlightText \"Covenant lifestone health\\n\"\n" +
                 about + "}\n" + "TraitIcon {\n internalName Trait0\n position 4 77\n size 24 24\n" + about +
                 "}\n" + "TraitIcon {\n internalName Trait1\n position 36 77\n size 24 24\n" + about + "}\n");
    entry.picture = box.findWidget("Picture");
    entry.eliminatedLabel = box.findWidget("Eliminated");
    entry.lifestoneBar = box.findWidget("Lifestone");
    if (entry.picture) {
        entry.picture->setHighlightSources(m_badgeSources);
    }
    for (int t = 0; t < 2; ++t) {
        if (auto* icon = dynamic_cast<UICovenantTraitIcon*>(box.findWidget("Trait" + std::to_string(t)))) {
            icon->setTraitIndex(t);
        }
    }
}

void UIRelationsMenu::bindPages()
{
    UISystem* ui = UISystem::instance();
    for (int p = 0; p < PageCount; ++p) {
        UIMenu* page = ui ? ui->findMenu(kPageNames[p]) : nullptr;
        m_pages[static_cast<size_t>(p)] = page;
        if (page) {
            page->setParent(this);
        }
    }
    for (int k = 0; k < kPowerComponents; ++k) {
        m_powerToggles[static_cast<size_t>(k)].widget =
            m_pages[PowerCompare] && ui ? ui->findWidget(formatString("RelationsPowerCompare::Power%d", k))
                                        : nullptr;
    }
    for (int k = 0; k < kInfluenceComponents; ++k) {
        m_influenceToggles[static_cast<size_t>(k)].widget =
            m_pages[InfluenceCompare] && ui
                ? ui->findWidget(formatString("RelationsInfluenceCompare::Influence%d", k))
                : nullptr;
    }
    m_raidNpcList = m_pages[Raid] && ui ? ui->findWidget("RelationsRaid::RaidNpcList") : nullptr;
}

void UIRelationsMenu::setCurrentPage(Page page)
{
    m_current = page;
    ClientView* v = view();
    if (!v || !v->hasLocalPlayer()) {
        return;
    }
    bool trading = getCurrentPage() && (page == TradeItems || page == TradeRequest);
    if (v->getTradingFlag() != trading) {
        v->setTradingFlag(trading);
    }
}

bool UIRelationsMenu::isTalkPage(Page page)
{
    return page == Diplomacy || page == TradeRequest || page == TradeResponse || page == Raid ||
           page == Trade || page == TradeItems || page == Treaties || page == Rumor;
}

bool UIRelationsMenu::isOut(int covenant) const
{
    ClientView* v = view();
    const CovenantBase* c = v ? v->getCovenant(covenant) : nullptr;
    return !c || c->destroyed;
}

void UIRelationsMenu::showDefaultPage()
{
    m_previous = PageCount;
    ClientView* v = view();
    int offer = v && v->getPlayerCovenant() ? v->findPendingOffer() : -1;
    if (offer == -1) {
        setCurrentPage(Main);
        return;
    }
    setCurrentPage(TradeRequest);
    refreshTalk(offer);
    int kind = v->getPendingOfferKind(offer);
    v->setDiplomacyResponse(offer, kind == 1 ? 7 : (kind == 2 ? 6 : 5));
}

void UIRelationsMenu::talkTo(int covenant)
{
    if (covenant == -1) {
        return;
    }
    m_talkCovenant = covenant;
    setCurrentPage(Diplomacy);
    if (ClientView* v = view()) {
        v->clearDiplomacyResponse();
    }
}

// War is asked once more before it is declared; on a covenant already at
// war (or raiding or raided) it is only said so.
void UIRelationsMenu::askWar()
{
    ClientView* v = view();
    UISystem* ui = UISystem::instance();
    const CovenantBase* own = v ? v->getPlayerCovenant() : nullptr;
    if (!own || !ui || isOut(m_talkCovenant) || m_talkCovenant == v->getPlayerCovenantIndex()) {
        return;
    }
    const std::string name = coloredName(v->getCovenant(m_talkCovenant));
    if (own->isHostile(m_talkCovenant)) {
        v->showErrorMessage(wrapText("AlreadyAtWar", "%s", name.c_str()));
        return;
    }
    if (UIWidget* question = ui->findWidget("DeclareWarAsk::Question")) {
        question->setText(wrapText("DeclareWarAsk", "%s", name.c_str()));
    }
    UIMenu* ask = ui->findMenu("DeclareWarAsk");
    if (ask && !ask->isActive()) {
        ui->pushMenu(ask);
    }
}

void UIRelationsMenu::startRaid()
{
    std::string line = formatString("serverCommand Raid %d", m_talkCovenant);
    if (auto* list = dynamic_cast<UIList*>(m_raidNpcList.get())) {
        std::vector<std::string> values;
        list->getSelectedValues(values);
        for (const std::string& value : values) {
            line += " " + value;
        }
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->runCommand(line);
    }
    if (isVisible()) {
        hide();
        setVisibleFlag(false);
    }
}

// The covenant's life stone as the player's target; when it became the
// target the screen gives way to the game, where its health bar shows.
void UIRelationsMenu::selectLifestone(int covenant)
{
    UISystem* ui = UISystem::instance();
    if (!ui) {
        return;
    }
    ui->runCommand(formatString("selectLifestone %d", covenant));
    ClientView* v = view();
    const EntityClient* target = v ? v->getTargetEntity(false) : nullptr;
    if (target && target->isLifeStone() && target->getCovenantIndex() == covenant && isActive()) {
        handleCommand("menuCommand hide");
    }
}

void UIRelationsMenu::handleCommand(const std::string& line)
{
    std::vector<std::string> words;
    splitCommandLine(line, words);
    if (words.empty()) {
        return;
    }
    const std::string& verb = words[0];
    // Component numbers outside the toggles name nothing.
    const int component = words.size() > 1 ? std::atoi(words[1].c_str()) : 0;
    auto toggles = [&](bool power, auto act) {
        const int count = power ? kPowerComponents : kInfluenceComponents;
        if (component < 0 || component >= count) {
            return;
        }
        for (int k = 0; k < count; ++k) {
            act(power ? m_powerToggles[static_cast<size_t>(k)] : m_influenceToggles[static_cast<size_t>(k)],
                k);
        }
    };
    auto page = [&](Page p) { setCurrentPage(p); };
    if (verb == "ShowRelations") {
        page(Main);
    } else if (verb == "ShowDefaultRelations") {
        showDefaultPage();
    } else if (verb == "ShowTradeResponse") {
        m_previous = m_current;
        page(TradeResponse);
    } else if (verb == "ShowPowerCompare") {
        page(PowerCompare);
    } else if (verb == "ShowInfluenceCompare") {
        page(InfluenceCompare);
    } else if (verb == "ShowWinProgress") {
        page(WinProgress);
    } else if (verb == "ShowPower" || verb == "ShowInfluence") {
        toggles(verb == "ShowPower",
                [&](RelationsChartToggle& t, int k) { t.shown = t.shown || k == component; });
    } else if (verb == "TogglePower" || verb == "ToggleInfluence") {
        toggles(verb == "TogglePower",
                [&](RelationsChartToggle& t, int k) { t.shown = k == component ? !t.shown : t.shown; });
    } else if (verb == "OnlyShowPower" || verb == "OnlyShowInfluence") {
        toggles(verb == "OnlyShowPower", [&](RelationsChartToggle& t, int k) { t.shown = k == component; });
    } else if (verb == "RaidMenu") {
        page(Raid);
    } else if (verb == "TradeMenu") {
        page(Trade);
    } else if (verb == "TradeItemsMenu") {
        page(TradeItems);
    } else if (verb == "TreatiesMenu") {
        page(Treaties);
    } else if (verb == "RumorMenu") {
        page(Rumor);
    } else if (verb == "StartRaid") {
        startRaid();
    } else if (verb == "AskWar") {
        askWar();
    } else if (verb == "DoneWithTradeResponse") {
        if (m_previous == Trade || m_previous == TradeItems) {
            setCurrentPage(m_previous);
        } else {
            showDefaultPage();
        }
    } else if (verb == "TalkToCovenant") {
        ClientView* v = view();
        const EntityClient* selected = v ? v->getTargetEntity(true) : nullptr;
        if (selected) {
            talkTo(selected->getCovenantIndex());
        }
    } else {
        UIMenu::handleCommand(line);
    }
}

// The first show selects every entry, so the first view draws the lines of
// every pair; later shows keep the selection a right click on a crest changed.
void UIRelationsMenu::onShow()
{
    if (!m_shownBefore) {
        m_shownBefore = true;
        for (RelationsCovenantEntry& entry : m_entries) {
            entry.selected = true;
        }
    }
    showDefaultPage();
    if (ClientView* v = view()) {
        v->showHelpTopic("Influence");
    }
}

void UIRelationsMenu::onHide()
{
    ClientView* v = view();
    if (!v) {
        return;
    }
    if (v->getPlayerCovenant()) {
        v->clearIgnoredOffers();
    }
    if (v->hasLocalPlayer() && v->getTradingFlag()) {
        v->setTradingFlag(false);
    }
}

// A missing page is skipped: the relations menu's own handling goes on.
bool UIRelationsMenu::handleKey(int key, bool down, bool repeat)
{
    if (!isActive()) {
        return false;
    }
    if (UIMenu* page = getCurrentPage(); page && page->handleKey(key, down, repeat)) {
        return true;
    }
    return UIMenu::handleKey(key, down, repeat);
}

bool UIRelationsMenu::handleMouseButton(int button, bool down, int x, int y)
{
    if (!isActive()) {
        return false;
    }
    UIMenu* page = getCurrentPage();
    if (page && page->handleMouseButton(button, down, x, y)) {
        return true;
    }
    // Its own widgets and the background of the page shown.
    auto panel = [&] {
        return takesPanelPress(button, down, x, y) || (page && page->takesPanelPress(button, down, x, y));
    };
    if (!down || !page || m_current != Main) {
        return panel();
    }
    for (int i = 0; i < m_covenantCount && i < kEntries; ++i) {
        RelationsCovenantEntry& entry = m_entries[static_cast<size_t>(i)];
        if (button == 0 && !isOut(i) && entry.lifestoneBar &&
            entry.lifestoneBar->containsPoint(static_cast<float>(x), static_cast<float>(y))) {
            selectLifestone(i);
            return true;
        }
        if (!entry.picture || !entry.picture->containsPoint(static_cast<float>(x), static_cast<float>(y))) {
            continue;
        }
        if (isOut(i)) {
            return panel();
        }
        if (button == 1) {
            entry.selected = !entry.selected;
            return true;
        }
        ClientView* v = view();
        if (button == 0 && v && i != v->getPlayerCovenantIndex()) {
            talkTo(i);
        }
        return panel();
    }
    return panel();
}

bool UIRelationsMenu::getTooltip(int x, int y, UITooltip& out)
{
    UIMenu* page = getCurrentPage();
    if (page && isTalkPage(m_current)) {
        if (m_talkPicture && m_talkPicture->isVisible() &&
            m_talkPicture->containsPoint(static_cast<float>(x), static_cast<float>(y)) &&
            m_talkPicture->getTooltip(out)) {
            out.position = m_talkPicture->getScreenPosition();
            out.size = m_talkPicture->getSize();
            out.alpha = m_talkPicture->getHighlightBackgroundAlpha();
            return true;
        }
    } else if (page && m_current == Main) {
        for (int i = 0; i < m_covenantCount && i < kEntries; ++i) {
            const RelationsCovenantEntry& entry = m_entries[static_cast<size_t>(i)];
            if (entry.container->getTooltip(x, y, out)) {
                if (!isOut(i) && entry.lifestoneBar &&
                    entry.lifestoneBar->containsPoint(static_cast<float>(x), static_cast<float>(y))) {
                    out.text += m_lifestoneHint;
                }
                return true;
            }
        }
    }
    if (!(page && page->getTooltip(x, y, out))) {
        UIMenu::getTooltip(x, y, out);
    }
    return true;
}

UIWidget* UIRelationsMenu::findWidgetAt(int x, int y, bool onlyFlagged)
{
    if (UIMenu* page = getCurrentPage()) {
        if (UIWidget* found = page->findWidgetAt(x, y, onlyFlagged)) {
            return found;
        }
    }
    return UIMenu::findWidgetAt(x, y, onlyFlagged);
}
