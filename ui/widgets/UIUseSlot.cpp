#include "ui/widgets/UIUseSlot.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/DefinitionReader.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/WidgetReads.h"

namespace {

constexpr int kItemKind = 0;
constexpr int kSkillKind = 1;
constexpr int kEmptyKind = 2;

} // namespace

UIUseSlot::UIUseSlot()
{
    m_canClick = true;
    m_activatingButton = 6;
}

UIUseSlot::~UIUseSlot() = default;

void UIUseSlot::copyFrom(const UIUseSlot& other)
{
    copyBaseFrom(other);
    m_index = other.m_index;
}

bool UIUseSlot::parseParm(const std::string& keyword, TextReader& reader)
{
    if (!equalsNoCase(keyword, "index")) {
        return UIWidget::parseParm(keyword, reader);
    }
    int index = reader.getInt();
    // The player's hot-bar table holds 64 records; anything else would
    // write outside it or grow every saved character.
    if (index < 0 || index > kMaxIndex) {
        reader.report(1, "use slot index %d out of range", index);
        m_index = -1;
    } else {
        m_index = index;
    }
    return false;
}

void UIUseSlot::fill(const std::array<int, 4>& record, bool check)
{
    m_content.reset();
    std::unique_ptr<UISlotBase> content;
    if (record[0] == kItemKind) {
        content = std::make_unique<UIItemSlot>();
    } else if (record[0] == kSkillKind) {
        content = std::make_unique<UISkillSlot>();
    } else {
        return;
    }
    content->setSource(record[1], record[2]);
    content->setSourceEntryId(record[3]);
    content->setStandalone(false);
    content->setHeldByHotBar(true);
    if (record[0] == kItemKind && record[2] == -1 && record[3] != -1) {
        // The item ran out: show the icon of its entry.
        const Database* database = Database::instance();
        const DatabaseEntry* entry = database ? database->getEntryByIndex(record[3]) : nullptr;
        if (entry) {
            content->setTexture(DefinitionReader(entry).getString("TextureName"));
        }
    }
    content->update(0.0f);
    if (check) {
        content->checkAvailable();
    }
    m_content = std::move(content);
}

void UIUseSlot::writeRecord()
{
    ClientView* view = widgetClientView();
    if (!view || !view->hasLocalPlayer() || m_index < 0) {
        return;
    }
    std::array<int, 4> record{kEmptyKind, -1, -1, -1};
    if (m_content) {
        m_content->getSource(record[0], record[1], record[2]);
        record[3] = m_content->getSourceEntryId();
    }
    view->setHotkey(m_index, record);
}

void UIUseSlot::clear()
{
    m_content.reset();
    writeRecord();
}

void UIUseSlot::onGameStart()
{
    ClientView* view = widgetClientView();
    if (!view || !view->hasLocalPlayer() || m_index < 0) {
        return;
    }
    fill(view->getHotkey(m_index), false);
}

bool UIUseSlot::hasRunOut() const
{
    int kind = 0, a = 0, b = 0;
    if (!m_content) {
        return false;
    }
    m_content->getSource(kind, a, b);
    return kind == kItemKind && b == -1;
}

void UIUseSlot::playUseSlotSound() const
{
    if (ClientView* view = widgetClientView()) {
        view->playInterfaceSound(view->getGameSound("SoundNameUseSlot"));
    }
}

void UIUseSlot::activate()
{
    if (m_content) {
        m_content->activate();
    }
}

void UIUseSlot::onClick(int button, bool down, int x, int y)
{
    UIWidget::onClick(button, down, x, y);
    UISystem* ui = UISystem::instance();
    if (!down || !ui) {
        return;
    }
    if (button == 1) {
        activate();
        return;
    }
    if (button != 0) {
        return;
    }
    UIWidget* dragged = ui->getDragWidget();
    if (!dragged) {
        if (m_content) {
            ui->setDragWidget(this);
        }
        return;
    }
    placeDragged(dragged);
}

bool UIUseSlot::placeDragged(UIWidget* dragged)
{
    UISystem* ui = UISystem::instance();
    auto* otherPlace = dynamic_cast<UIUseSlot*>(dragged);
    UISlotBase* source = otherPlace ? otherPlace->getContent() : dynamic_cast<UISlotBase*>(dragged);
    if (!ui || !source) {
        return false;
    }
    // Read the source before the old content goes: it may be this place's own.
    std::array<int, 4> record{};
    source->getSource(record[0], record[1], record[2]);
    record[3] = source->getSourceEntryId();
    fill(record, true);
    ui->setDragWidget(nullptr);
    writeRecord();
    if (otherPlace && otherPlace != this) {
        otherPlace->clear();
    }
    playUseSlotSound();
    return true;
}

void UIUseSlot::update(float seconds)
{
    UIWidget::update(seconds);
    if (!m_content) {
        return;
    }
    bool ranOut = hasRunOut();
    if (!m_content->refreshSource()) {
        // The item ran out: keep its kind and entry until one is back.
        int kind = 0, a = 0, b = 0;
        m_content->getSource(kind, a, b);
        if (b != -1) {
            m_content->clearSource();
            writeRecord();
        }
        return;
    }
    m_content->update(seconds);
    if (ranOut && !hasRunOut()) {
        writeRecord();
    }
}

void UIUseSlot::endDrag()
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (m_content && view) {
        m_content->forceUse(view->getEntityUnderMouse());
    }
    if (ui) {
        ui->setDragWidget(nullptr);
    }
}

bool UIUseSlot::acceptsDrop(UIWidget* target)
{
    if (!m_content || !m_content->acceptsDrop(target)) {
        return false;
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->setDragWidget(nullptr);
    }
    return true;
}

bool UIUseSlot::getTooltip(UITooltip& out)
{
    UIWidget::getTooltip(out);
    if (!m_content) {
        out.text = "Put skills or items here";
        return true;
    }
    std::string text = hasRunOut() ? "^c001Ran out of this item^c145" : "";
    UITooltip inner;
    // The content describes itself where the place stands.
    m_content->setPosition(getScreenPosition());
    m_content->setSize(m_size);
    if (m_content->getTooltip(inner)) {
        text += inner.text;
    }
    text += "\n\nTo remove from slot press delete";
    out.text = text;
    return true;
}

void UIUseSlot::draw()
{
    UIDrawing* drawing = shownDrawing();
    if (!drawing) {
        return;
    }
    Vec2 at = getScreenPosition();
    Color c = ColorSystem::getColor(0);
    const float white[3] = {c.r, c.g, c.b};
    const ResourceHandle* plain = drawing->standardImage(0);
    if (!m_content) {
        // A faint square marks the empty place.
        if (plain) {
            drawing->drawImage(*plain, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 0.25f, white, false,
                               false);
        }
    } else {
        // The content draws through the place's rectangle.
        Vec2 position = m_content->getPosition();
        Vec2 size = m_content->getSize();
        UIWidget* parent = m_content->getParent();
        m_content->setPosition(at);
        m_content->setSize(m_size);
        m_content->setParent(this);
        m_content->draw();
        m_content->setPosition(position);
        m_content->setSize(size);
        m_content->setParent(parent);
        if (hasRunOut() && plain) {
            drawing->drawImage(*plain, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 0.5f, white, false,
                               false);
        }
    }
    drawHotKeyHint();
}
