#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/Color.h"
#include "engine/core/MathUtil.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"

#include <string>
#include <vector>

class CharacterClass;
class CovenantBase;
class EntityClient;
class TextReader;
class UIDrawing;
class UIMenu;

// One entry of a widget's text: a text source, its number (-1 for none) and
// its argument text.
struct UITextSourceRecord {
    int type = 0;
    int number = -1;
    std::string argument;
    friend bool operator==(const UITextSourceRecord&, const UITextSourceRecord&) = default;
};

// What a tooltip shows and where: the texts, the rectangle it keeps clear of
// and the alpha of its backdrop.
struct UITooltip {
    std::string text;
    std::string secondText;
    Vec2 position;
    Vec2 size;
    float alpha = 0.0f;
};

// The base of every element of a menu. A widget is read from a block of
// keywords, belongs to one menu, is placed relative to it, draws an image or
// a text, shows and hides by conditions, takes mouse buttons, held buttons,
// the wheel and keys, runs command lines when clicked and offers a tooltip.
// The plain widget is the "Widget" type of the menu files.
class UIWidget : public SafeClass {
public:
    UIWidget();
    ~UIWidget() override;
    UIWidget(const UIWidget&) = delete;
    UIWidget& operator=(const UIWidget&) = delete;

    // Takes every base field of another widget: lists copied, each resource
    // handle with a reference of its own, parent widget and user variable
    // shared, names and the initialized flag copied. The owning menu is the
    // caller's to set.
    void copyBaseFrom(const UIWidget& other);

    // ---- The overridable operations, in their table order
    virtual void draw();
    virtual void update(float seconds);
    // After a click or hot key has run the click commands.
    virtual void activate() {}
    // Asked by the menu's refresh (lists read their contents again).
    virtual void refresh() {}
    virtual void setVisible(bool shown) { m_shown = shown; }
    virtual bool handleMouseButton(int button, bool down, int x, int y);
    virtual bool onMouseWheel(int step) { return false; }
    // The held button: the click again at the widget's centre.
    virtual void onMouseHeld(int button, bool down);
    virtual bool onKey(int key, bool down) { return false; }
    virtual void onClick(int button, bool down, int x, int y);
    virtual bool showsOverlay() const { return false; }
    virtual bool hasFocus() const;
    // Takes every key before the hot keys of its window (a key being
    // captured for a binding).
    virtual bool capturesKeys() const { return false; }
    // Rebuilds the text from the text sources.
    virtual void prepareDraw();
    // Each time the menu shows; the base acts the first time only.
    virtual void initialize(bool menuWasHidden);
    virtual void onHide() {}
    virtual bool getTooltip(UITooltip& out);
    virtual void onPlayerUpdate(int value) {}
    virtual void onGameStart() {}
    virtual bool isVisible() const;
    // Once, after the block is read and the widget has joined its menu.
    virtual void finishSetup() {}
    virtual void endDrag() {}
    // One keyword of the widget block; true at "}".
    virtual bool parseParm(const std::string& keyword, TextReader& reader);
    virtual bool isStatMaxed() const { return false; }
    // A widget naming the area (first text source AreaName) gives the area
    // of the local player's position; others give nothing.
    virtual void getText(std::string& out) const;
    // Whether a dragged widget may be dropped on `target` (which may be null).
    virtual bool acceptsDrop(UIWidget* target) { return false; }
    virtual void executeCommand(const std::string& line);
    // An open list: drawn after every menu, asked for the mouse before them.
    virtual bool drawsOnTop() const { return false; }
    // Closes an open list without choosing anything.
    virtual void closeList() {}

    // ---- Reading a block
    // Expects "{" and reads keywords up to "}" or the end of the text.
    void parseBlock(TextReader& reader);

    // ---- Helpers
    void setTexture(const std::string& name);
    void setHoverTexture(const std::string& name);
    // Backslash-n becomes a line break.
    void setText(const std::string& text);
    // "Fonts/" in front and ".fnt" behind when missing.
    void setFont(const std::string& name);
    Vec2 getScreenPosition() const;
    bool containsPoint(float x, float y) const;
    EntityClient* getEntity() const;
    CovenantBase* getCovenant() const;
    int getCovenantIndex() const;
    // The described entity's level minus the local player's.
    int getEntityLevelDifference() const;
    void runClickCommands();
    void playHoverSound();
    bool checkCondition(int condition) const;
    // The key's name in the hint "Press the … key to <action>"; empty
    // without a hot key.
    std::string getHotKeyHint(const std::string& action) const;
    void drawHotKeyHint();
    // Writes the text into the bound variable.
    void storeTextInUserVar();
    Vec2 getProtectedZonePosition() const;
    // The widget held by its button (the client's capture) and let go.
    void holdButton();
    void releaseButton();
    // Held as the button's repeating widget: a new hold starts its repeat
    // timers from zero.
    void holdAsRepeating(int button);
    // The click the button's hold gives at the pointer.
    void clickAtPointer(int button, bool down);
    // A press that lands on a shown child widget is the child's.
    static bool pressLandsOn(const UIWidget* child, bool down, int x, int y);
    bool keyPressed(int key, bool down, bool repeat);
    // Draws a text at the widget, centred when the alignment asks for it.
    void drawText(const std::string& text, const float colour[3]);
    // The text as it fits `width` in the widget's font: when wider, cut
    // (never inside a colour code) and ended with "...".
    std::string fitTextToWidth(const std::string& text, float width) const;
    // The interface's drawing while the widget is shown, else null.
    UIDrawing* shownDrawing() const;

    static std::string getSourceText(const UITextSourceRecord& record, const UIWidget& widget);
    static std::string buildSourceText(const std::vector<UITextSourceRecord>& list, const UIWidget& widget);
    static bool hasTextSource(const std::vector<UITextSourceRecord>& list);
    // The sources that read the game; empty while what they read is absent.
    static std::string gameSourceText(const UITextSourceRecord& record, const UIWidget& widget);
    // The long texts of a covenant and of the player covenant's way to winning.
    static std::string covenantTaxesText(const CovenantBase& covenant);
    static std::string relationWithPlayerText(const UIWidget& widget);
    static std::string winText(int source);
    static std::string rumorText(int kind);
    static std::string powerSourcesText(const CharacterClass& type);

    // ---- Fields
    const Vec2& getPosition() const { return m_position; }
    void setPosition(const Vec2& position) { m_position = position; }
    const Vec2& getSize() const { return m_size; }
    void setSize(const Vec2& size) { m_size = size; }
    UIMenu* getMenu() const { return m_menu; }
    void setMenu(UIMenu* menu) { m_menu = menu; }
    UIWidget* getParent() const { return m_parent.get(); }
    void setParent(UIWidget* parent) { m_parent = parent; }
    const std::string& getTextValue() const { return m_text; }
    int getTextAlignment() const { return m_textAlignment; }
    const Vec2& getTextOffset() const { return m_textOffset; }
    bool cutsTextToWidth() const { return m_cutTextToWidth; }
    int getShowCondition() const { return m_showCondition; }
    int getHideCondition() const { return m_hideCondition; }
    const std::string& getName() const { return m_name; }
    const std::string& getInternalName() const { return m_internalName; }
    void setInternalName(const std::string& name) { m_internalName = name; }
    float getDrawOrder() const { return m_drawOrder; }
    bool hasTexture() const { return !m_imageName.empty(); }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }
    bool isSubMenuTab() const { return m_subMenuTab; }
    int getSubMenuIndex() const { return m_subMenuIndex; }
    bool canClick() const { return m_canClick; }
    void setCanClick(bool on) { m_canClick = on; }
    bool isHitTestable() const { return m_hitTest; }
    bool showsHighlightInfo() const { return m_showHighlightInfo; }
    bool hasProtectedZone() const { return m_hasProtectedZone; }
    Vec2 getProtectedZoneSize() const { return {m_protectedZone[2], m_protectedZone[3]}; }
    float getHighlightBackgroundAlpha() const { return m_highlightBackgroundAlpha; }
    const UserVarRef& getUserVar() const { return m_userVar; }
    bool isRepeating() const { return m_repeating; }
    bool isDraggedDrawing() const { return m_draggedDrawing; }
    void setDraggedDrawing(bool on) { m_draggedDrawing = on; }
    int getHotKey() const { return m_hotKey; }
    const ResourceHandle& getImage() const { return m_image; }
    const ResourceHandle& getHoverImage() const { return m_hoverImage; }
    const ResourceHandle& getFont() const { return m_font; }
    const ResourceHandle& getClickSound() const { return m_clickSound; }
    const std::vector<UITextSourceRecord>& getTextSources() const { return m_textSources; }
    void setHighlightSources(std::vector<UITextSourceRecord> sources)
    {
        m_highlightSources = std::move(sources);
    }
    void setEntityIndex(int index) { m_entityIndex = index; }
    int getEntityType() const { return m_entityType; }
    void setColour(const Color& colour) { m_colour = colour; }
    const std::vector<std::string>& getClickCommands() const { return m_clickCommands; }

protected:
    // Reads a list of text sources from the rest of the keyword's line.
    void readSourceList(TextReader& reader, std::vector<UITextSourceRecord>& out);
    void runCommandList(const std::vector<std::string>& lines);
    bool tooltipOwnSteps(UITooltip& out);
    bool checkGameCondition(int condition) const;

    Vec2 m_position;
    Vec2 m_size;
    ResourceHandle m_image;
    std::string m_imageName;
    ResourceHandle m_hoverImage;
    std::string m_hoverImageName;
    ResourceHandle m_glowImage;
    Color m_colour;
    int m_colorSource = 0;
    Color m_hoverColour;
    bool m_hoverColourSet = false;
    bool m_shown = true;
    bool m_draw = true;
    bool m_canClick = false;
    bool m_mouseCanRepeat = false;
    int m_hotKey = -1;
    int m_altHotKey = -1;
    bool m_showHotKey = false;
    // The menu owns the widget, so it outlives it.
    UIMenu* m_menu = nullptr;
    SafePtr<UIWidget> m_parent;
    std::string m_text;
    Vec2 m_textOffset;
    std::vector<UITextSourceRecord> m_textSources;
    std::vector<UITextSourceRecord> m_highlightSources;
    UserVarRef m_userVar;
    bool m_setVarOnButtonPress = false;
    std::string m_userVarValue;
    bool m_initialized = true;
    std::string m_name;
    std::string m_internalName;
    int m_showCondition = 0;
    int m_hideCondition = 0;
    int m_glowCondition = 0;
    int m_blinkCondition = 0;
    int m_selectedCondition = 0;
    int m_entityType = 0;
    int m_entityIndex = 0;
    bool m_selectable = false;
    bool m_selected = false;
    float m_drawOrder = 0.0f;
    int m_activatingButton = 0;
    bool m_ignoreRepeats = true;
    float m_highlightBackgroundAlpha = 0.75f;
    std::string m_highlightText;
    int m_textAlignment = 0;
    ResourceHandle m_clickSound;
    ResourceHandle m_hoverSound;
    std::vector<std::string> m_clickCommands;
    std::vector<std::string> m_rightClickCommands;
    std::vector<std::string> m_failCommands;
    int m_subMenuIndex = -1;
    bool m_showHighlightInfo = true;
    ResourceHandle m_font;
    bool m_useTextBackdrop = false;
    bool m_cutTextToWidth = false;
    bool m_tiled = false;
    bool m_tiledToFit = false;
    std::string m_verifyProc;
    bool m_blocksMouse = true;
    float m_alpha = 1.0f;
    bool m_hitTest = true;
    std::string m_highlightRedirect;
    bool m_subMenuTab = false;
    bool m_draggedDrawing = false;
    bool m_hasProtectedZone = false;
    float m_protectedZone[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool m_repeating = false;
    bool m_parentLinked = false;
    Vec2 m_parentOffset;
};

// The virtual key of a name (index + 256), else the raw key code of the
// name; -1 when it is neither.
int getKeyCodeByName(const std::string& name);
// The display name of the key bound to a virtual key, else of the raw key.
std::string getKeyDisplayName(int code);
