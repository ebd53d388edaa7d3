#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/MathUtil.h"
#include "ui/menus/RelationsChartToggle.h"
#include "ui/menus/RelationsCovenantEntry.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <array>
#include <vector>

class ClientView;
class UIDrawing;

// The covenant diplomacy screen: every covenant on a circle with the lines
// of their relations, treaties and trade routes, twelve pages (ordinary
// menus of the menu list) switched by its own command verbs, and two charts
// of the covenants' power and influence over time.
class UIRelationsMenu : public UIMenu {
public:
    static constexpr int kEntries = 32;
    static constexpr int kPowerComponents = 5;
    static constexpr int kInfluenceComponents = 4;

    enum Page {
        Main,
        Diplomacy,
        TradeRequest,
        TradeResponse,
        PowerCompare,
        InfluenceCompare,
        WinProgress,
        Raid,
        Trade,
        TradeItems,
        Treaties,
        Rumor,
        PageCount
    };

    UIRelationsMenu();
    ~UIRelationsMenu() override;

    void draw() override;
    void update(float seconds) override;
    bool handleKey(int key, bool down, bool repeat) override;
    bool handleMouseButton(int button, bool down, int x, int y) override;
    void onShow() override;
    void onHide() override;
    bool getTooltip(int x, int y, UITooltip& out) override;
    void handleCommand(const std::string& line) override;
    UIWidget* findWidgetAt(int x, int y, bool onlyFlagged) override;

    // Finds the pages, the chart toggles and the raid list by name; run at
    // construction and after every reload of the menu list.
    void bindPages();
    // The circle point of a covenant: the player's own straight above the centre.
    Vec2 circlePosition(int covenant) const;
    // Null while the current page is missing from the menu list.
    UIMenu* getCurrentPage() const { return m_current == PageCount ? nullptr : m_pages[m_current].get(); }
    UIMenu* getPage(Page page) const { return m_pages[page].get(); }
    int getTalkCovenant() const { return m_talkCovenant; }
    RelationsCovenantEntry& getEntry(int i) { return m_entries[static_cast<size_t>(i)]; }
    const RelationsChartToggle& getPowerToggle(int i) const { return m_powerToggles[static_cast<size_t>(i)]; }
    const RelationsChartToggle& getInfluenceToggle(int i) const
    {
        return m_influenceToggles[static_cast<size_t>(i)];
    }

private:
    // Every change of the current page: the trading flag follows it.
    void setCurrentPage(Page page);
    void showDefaultPage();
    void bindVariables();
    void talkTo(int covenant);
    void refreshTalk(int covenant);
    void startRaid();
    void askWar();
    void selectLifestone(int covenant);
    static bool isTalkPage(Page page);
    bool isOut(int covenant) const;
    void drawCircle(ClientView& view, UIDrawing& drawing);
    // The boxes of the words on the first `count` badges (name, ranks, taxes).
    std::vector<RectF> badgeWordBoxes(int count) const;
    void drawChart(ClientView& view, UIDrawing& drawing, bool power);
    void buildEntry(int index);

    std::array<RelationsCovenantEntry, kEntries> m_entries;
    std::array<RelationsChartToggle, kPowerComponents> m_powerToggles;
    std::array<RelationsChartToggle, kInfluenceComponents> m_influenceToggles;
    int m_covenantCount = 0;
    int m_talkCovenant = -1;
    UIWidget* m_talkPicture = nullptr;
    UIWidget* m_talkName = nullptr;
    SafePtr<UIWidget> m_raidNpcList;
    std::array<SafePtr<UIMenu>, PageCount> m_pages;
    // Pages are kept by place, so a page replaced by a reload is found again.
    Page m_current = Main;
    Page m_previous = PageCount;
    float m_powerLow = 0.0f, m_powerHigh = 0.0f;
    float m_influenceLow = 0.0f, m_influenceHigh = 0.0f;
    UserVarRef m_showRelations, m_showTreaties, m_showTradeRoutes, m_simplify;
    std::string m_badgeHint;
    // The crest tooltips: another covenant's, and the player's own, which is
    // not talked to; m_ownBadge is the entry that shows the own one.
    std::vector<UITextSourceRecord> m_badgeSources, m_ownBadgeSources;
    int m_ownBadge = -1;
    std::string m_lifestoneHint;
    bool m_shownBefore = false;
};
