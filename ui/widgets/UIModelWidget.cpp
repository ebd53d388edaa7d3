#include "ui/widgets/UIModelWidget.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MathUtil.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "graphics/GraphicsSystem.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/PreviewEntity.h"

namespace {

// "name default": the variable, made with that default when missing.
UserVarRef readVar(TextReader& reader)
{
    std::string name, fallback;
    reader.readToken(name, false);
    reader.readToken(fallback, false);
    UserVarSystem* vars = UserVarSystem::instance();
    return vars && !name.empty() ? vars->getVar(name, fallback, UserVarSystem::kCreate) : UserVarRef();
}

std::string varText(const UserVarRef& var)
{
    return var.isValid() && userVarsReady() ? var.getString() : std::string();
}

void place(PreviewEntity& entity)
{
    const ZonePosition3 at = UIModelWidget::previewPosition();
    entity.setPosition(ZonePosition(at.zone, at.x, at.y));
}

} // namespace

UIModelWidget::UIModelWidget() : m_main(std::make_unique<PreviewEntity>())
{
    place(*m_main);
    for (Attachment& a : m_attachments) {
        a.entity = std::make_unique<PreviewEntity>();
        place(*a.entity);
    }
}

UIModelWidget::~UIModelWidget() = default;

void UIModelWidget::update(float seconds)
{
    UIWidget::update(seconds);
    const std::string model = varText(m_modelVar);
    if (model != m_modelName) {
        m_modelName = model;
        m_main->setModel(model);
        m_main->playAnimation("idle", 0, PreviewEntity::kModeLoop, true);
        for (Attachment& a : m_attachments) {
            a.attachPoint = -1;
        }
        m_skinName.clear(); // the skin goes over the new model's own
        m_main->useSkinSurfaces(nullptr);
    }
    if (!m_skinVar.isValid()) {
        // Nothing to read; the model keeps its own skin.
    } else if (!userVarsReady()) {
        debugPrint(3, "Trying to reference a userVar before it has been set up!\n");
    } else if (m_skinVar.getString() != m_skinName) {
        m_skinName = m_skinVar.getString();
        ResourceSystem* resources = ResourceSystem::instance();
        m_skin = resources && !m_skinName.empty() ? resources->load(m_skinName) : ResourceHandle();
        const Skin* skin = resources && m_skin.isValid() ? resources->getAs<Skin>(m_skin) : nullptr;
        m_main->useSkinSurfaces(skin);
    }
    for (Attachment& a : m_attachments) {
        const std::string name = varText(a.var);
        if (name != a.modelName) {
            a.modelName = name;
            a.entity->setModel(name);
            // An entity without an animation draws nothing.
            a.entity->playAnimation("idle", 0, PreviewEntity::kModeLoop, true);
            a.attachPoint = -1;
        }
        if (a.attachPoint < 0 && !a.tag.empty() && m_main->getModel()) {
            a.attachPoint = m_main->findAttachPoint(a.tag);
        }
    }
    if (m_angleVar.isValid() && userVarsReady()) {
        m_angle = m_angleVar.getFloat();
    }
    const Matrix3 turn = eulerToMatrix(m_angle, 0.0f, 0.0f);
    std::array<float, 9> flat;
    for (int i = 0; i < 9; ++i) {
        flat[static_cast<size_t>(i)] = turn.m[i / 3][i % 3];
    }
    m_main->setRotationMatrix(flat);
    m_main->updateAnimation(seconds);
}

void UIModelWidget::draw()
{
    UIWidget::draw();
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!isVisible() || !drawing) {
        return;
    }
    const ZonePosition3 at = previewPosition();
    GraphicsSystem* graphics = GraphicsSystem::instance();
    const float* offset = graphics ? graphics->getCameraOffset() : nullptr;
    // The normal camera, fitted to the model's bounds in the widget's
    // rectangle; the zoom scales that view.
    ZonePosition target(at.zone, at.x, at.y);
    float zoom = m_zoom;
    int width = 0, height = 0;
    if (graphics) {
        graphics->getDrawableSize(width, height);
    }
    if (const ModelResource* model = m_main->getModel();
        model && width > 0 && height > 0 && m_size.y > 0.0f) {
        const float aspect = (m_size.x * static_cast<float>(width) / 640.0f) /
                             (m_size.y * static_cast<float>(height) / 480.0f);
        ZonePosition3 place;
        Matrix3 turn;
        m_main->getWorldTransform(place, turn);
        float fitted = 1.0f;
        Vec2 lookAt{0.0f, 0.0f};
        if (graphics->fitModelView(*model, m_main->getAnimation(), turn, 1.0f, 480.0f * aspect, 480.0f,
                                   fitted, lookAt)) {
            zoom = fitted * m_zoom;
            target.x += lookAt.x;
            target.y += lookAt.y;
        }
    }
    ZonePosition3 eye(target.zone, target.x, target.y, 0.0f);
    if (offset) {
        eye.addOffset(offset[0], offset[1], offset[2]);
    }
    const Vec2 corner = getScreenPosition();
    drawing->beginModelView(corner.x, corner.y, corner.x + m_size.x, corner.y + m_size.y, eye, target, zoom,
                            m_clearBackground);
    if (m_main->getModel()) {
        m_main->drawAtOwnPlace();
        for (const Attachment& a : m_attachments) {
            ZonePosition3 position;
            Matrix3 orientation;
            if (a.attachPoint >= 0 && a.entity->getModel() &&
                m_main->getTagTransform(a.attachPoint, position, orientation)) {
                a.entity->draw(position, orientation);
            }
        }
    }
    drawing->endModelView();
}

bool UIModelWidget::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&keyword](const char* name) { return equalsNoCase(keyword, name); };
    if (is("zoom")) {
        m_zoom = reader.getFloat();
    } else if (is("modelUserVar")) {
        m_modelVar = readVar(reader);
    } else if (is("skinUserVar")) {
        m_skinVar = readVar(reader);
    } else if (is("angleUserVar")) {
        m_angleVar = readVar(reader);
    } else if (is("attachmentUserVar")) {
        // An index outside the four attachments sets nothing.
        const int index = reader.getInt();
        std::string name, fallback;
        reader.readToken(name, false);
        reader.readToken(fallback, false);
        UserVarSystem* vars = UserVarSystem::instance();
        if (index >= 0 && index < kAttachments && vars && !name.empty()) {
            m_attachments[static_cast<size_t>(index)].var =
                vars->getVar(name, fallback, UserVarSystem::kCreate);
        }
    } else if (is("attachmentTag")) {
        const int index = reader.getInt();
        std::string tag;
        reader.readToken(tag, false);
        if (index >= 0 && index < kAttachments) {
            m_attachments[static_cast<size_t>(index)].tag = tag;
        }
    } else if (is("clearBackground")) {
        m_clearBackground = reader.getBool();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false; // the block goes on
}
