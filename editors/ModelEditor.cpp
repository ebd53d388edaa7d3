#include "editors/ModelEditor.h"

#include "client/Client.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Direction.h"
#include "engine/object/ClassRegistry.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/render/RenderQueue.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/PreviewEntity.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UITextureList.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

std::string varText(const UserVarRef& var)
{
    if (!var.isValid() || !userVarsReady()) {
        debugPrint(3, "Trying to reference a userVar before it has been set up!\n");
        return std::string();
    }
    return var.getString();
}

void setVarText(const UserVarRef& var, const std::string& text)
{
    if (var.isValid() && userVarsReady()) {
        var.setString(text);
    }
}

std::array<float, 9> flatten(const Matrix3& m)
{
    std::array<float, 9> out;
    for (int i = 0; i < 9; ++i) {
        out[static_cast<size_t>(i)] = m.m[i / 3][i % 3];
    }
    return out;
}

} // namespace

ModelEditor::ModelEditor()
    : m_rotation(directionToMatrix(6)), m_modelEntity(std::make_unique<PreviewEntity>()),
      m_attachmentEntity(std::make_unique<PreviewEntity>())
{
}

ModelEditor::~ModelEditor() = default;

void ModelEditor::start()
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        auto make = [vars](const char* name, const char* value) {
            return vars->getVar(name, value, UserVarSystem::kCreate);
        };
        m_modelVar = make("ModelEditorModel", "");
        m_attachmentVar = make("ModelEditorAttachmentModel", "");
        m_attachmentScaleVar = make("ModelEditorAttachmentScale", "1.0");
        m_animationVar = make("modelEditorAnim", "");
        m_frameVar = make("modelEditorFrame", "");
        m_tagNameVar = make("ModelEditorTagName", "");
        m_boneNameVar = make("ModelEditorBoneName", "");
        m_showAttachmentVar = make("ModelEditorShowAttachment", "");
    }
    m_cameraTarget = ZonePosition3(-1, 1000.0f, 1000.0f, 0.0f);
    m_cameraEye = m_cameraTarget;
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        const float* offset = graphics->getCameraOffset();
        m_cameraEye.addOffset(offset[0], offset[1], offset[2]);
    }
    bindWidgets();
    for (PreviewEntity* entity : {m_modelEntity.get(), m_attachmentEntity.get()}) {
        entity->setPosition(ZonePosition(m_cameraTarget.zone, m_cameraTarget.x, m_cameraTarget.y));
        entity->setRotationMatrix(flatten(m_rotation));
    }
}

void ModelEditor::bindWidgets()
{
    UISystem* ui = UISystem::instance();
    m_menu = ui ? ui->findMenu("ModelEditor") : nullptr;
    m_modelList = ui ? dynamic_cast<UITextureList*>(ui->findWidget("ModelEditor::ModelList")) : nullptr;
    m_attachmentList =
        ui ? dynamic_cast<UITextureList*>(ui->findWidget("ModelEditor::AttachmentModelList")) : nullptr;
    m_boneBox =
        ui ? dynamic_cast<UIDropDownBox*>(ui->findWidget("ModelEditor::BoneNameDropDownBox")) : nullptr;
}

void ModelEditor::pushMenu(const char* name)
{
    UISystem* ui = UISystem::instance();
    UIMenu* menu = ui ? ui->findMenu(name) : nullptr;
    if (menu && !menu->isVisible()) {
        ui->pushMenu(menu);
    }
}

void ModelEditor::enter()
{
    if (m_active) {
        return;
    }
    // The model's animation events (swipes, sparks, sounds) reach it as they
    // reach the game's mirrors; their class is registered after start-up.
    if (ClassRegistry* classes = ClassRegistry::instance(); classes && !m_modelEntity->getClassRecord()) {
        m_modelEntity->setClassRecord(classes->findClass("EntityClient"));
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->hideMenusForEditor();
        if (m_menu) {
            ui->pushMenu(m_menu.get());
        }
    }
    m_active = true;
}

void ModelEditor::leave()
{
    if (!m_active) {
        return;
    }
    if (UISystem* ui = UISystem::instance()) {
        if (m_menu) {
            ui->removeFromMenuStack(m_menu.get());
        }
        ui->showMenusAfterEditor();
    }
    m_active = false;
}

ModelResource* ModelEditor::getModel() const
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources && m_model.isValid() ? resources->getAs<ModelResource>(m_model) : nullptr;
}

void ModelEditor::followModelVariables()
{
    ResourceSystem* resources = ResourceSystem::instance();
    const std::string model = varText(m_modelVar);
    if (model != m_modelName) {
        m_modelName = model;
        m_modelEntity->setModel(model);
        m_model = model.empty() || !resources ? ResourceHandle() : resources->load(model);
        resetForModel();
    }
    const std::string attachment = varText(m_attachmentVar);
    if (attachment != m_attachmentName) {
        m_attachmentName = attachment;
        m_attachmentEntity->setModel(attachment);
        m_attachment = attachment.empty() || !resources ? ResourceHandle() : resources->load(attachment);
        m_attachmentEntity->playAnimation("idle", 0, PreviewEntity::kModeLoop, true);
    }
}

void ModelEditor::takeTagRange()
{
    m_currentTag = m_firstTag = m_lastTag = -1;
    if (const ModelResource* model = getModel()) {
        m_firstTag = std::max(model->getFirstTagIndex(), 0);
        m_lastTag = model->getNumAttachPoints() - 1;
        if (m_lastTag < m_firstTag) {
            m_firstTag = m_lastTag = -1;
        }
    }
    m_currentTag = m_firstTag;
}

void ModelEditor::resetForModel()
{
    m_animation = 0;
    selectAnimation(0);
    showFrame();
    m_currentTag = m_firstTag = m_lastTag = -1;
    if (m_boneBox) {
        m_boneBox->refresh();
    }
    if (getModel()) {
        takeTagRange();
        showTagVariables();
    }
}

void ModelEditor::selectAnimation(int index)
{
    const ModelResource* model = getModel();
    const ModelAnimation* animation = model ? model->getAnimation(index) : nullptr;
    if (!animation || index < 0 || index >= model->getNumAnimations()) {
        return;
    }
    m_animation = index;
    setVarText(m_animationVar, animation->name);
    m_frameCount = animation->getNumFrames();
    m_frameRate =
        animation->kind == ModelAnimation::kSkeletal ? 20 : static_cast<int>(animation->framesPerSecond);
    if (m_modelEntity->getAnimation() == index && m_modelEntity->isAnimationPlaying()) {
        m_modelEntity->setAnimationTime(0.0f);
    } else {
        m_modelEntity->playAnimationIndex(index, 0, PreviewEntity::kModeLoop, true);
    }
    m_modelEntity->setAnimationPaused(!m_playing);
}

void ModelEditor::stepAnimation(int step)
{
    const ModelResource* model = getModel();
    if (!model) {
        return;
    }
    const int count = model->getNumAnimations();
    int index = m_animation + step;
    if (index < 0) {
        index = count - 1;
    } else if (index >= count) {
        index = 0;
    }
    m_animation = index;
    selectAnimation(index);
}

void ModelEditor::play(bool once)
{
    if (!getModel()) {
        return;
    }
    m_playing = true;
    m_modelEntity->setAnimationPaused(false);
    if (once) {
        m_playOnce = true;
        m_modelEntity->playAnimationIndex(m_animation, 0, PreviewEntity::kModeHold, true);
        m_modelEntity->setAnimationTime(0.0f);
    } else if (m_playOnce) {
        m_playOnce = false;
        m_modelEntity->playAnimationIndex(m_animation, 0, PreviewEntity::kModeLoop, true);
        m_modelEntity->setAnimationTime(0.0f);
    }
}

void ModelEditor::stop()
{
    if (!getModel()) {
        return;
    }
    m_playing = false;
    m_modelEntity->setAnimationPaused(true);
}

void ModelEditor::stepFrame(int step)
{
    if (!getModel() || m_frameCount <= 0) {
        return;
    }
    int frame = static_cast<int>(m_modelEntity->getAnimationTime()) + step;
    if (frame < 0) {
        frame = m_frameCount - 1;
    } else if (frame >= m_frameCount) {
        frame = 0;
    }
    m_modelEntity->setAnimationTime(static_cast<float>(frame));
    showFrame();
}

void ModelEditor::showFrame()
{
    setVarText(m_frameVar, std::to_string(static_cast<int>(m_modelEntity->getAnimationTime())));
}

void ModelEditor::zoomBy(float step)
{
    m_zoom = std::clamp(m_zoom + step, kZoomMin, kZoomMax);
}

void ModelEditor::shift(float height)
{
    m_cameraTarget.z += height;
}

void ModelEditor::turnModel(float degrees)
{
    const Vec3 forward(m_rotation.m[0][0], m_rotation.m[0][1], m_rotation.m[0][2]);
    const Vec3 angles = vectorToAngles(forward);
    m_rotation = eulerToMatrix(angles.x + degrees, angles.y, 0.0f);
    m_modelEntity->setRotationMatrix(flatten(m_rotation));
    m_attachmentEntity->setRotationMatrix(flatten(m_rotation));
}

void ModelEditor::scaleAttachment(float step)
{
    m_attachmentScale += step;
    m_attachmentEntity->setScale(m_attachmentScale);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", m_attachmentScale);
    setVarText(m_attachmentScaleVar, text);
}

void ModelEditor::setModelMode(int mode)
{
    if (m_modelList) {
        m_modelList->setVisible(mode != 0);
    }
    if (m_attachmentList) {
        m_attachmentList->setVisible(mode == 0);
    }
}

void ModelEditor::update(double seconds)
{
    if (!m_active) {
        return;
    }
    followModelVariables();
    m_modelEntity->updateAnimation(static_cast<float>(seconds));
    showFrame();
    copyTagVariables();
}

Matrix3 ModelEditor::cameraRotation() const
{
    const Vec3 view(m_cameraTarget.x - m_cameraEye.x, m_cameraTarget.y - m_cameraEye.y, -m_cameraEye.z);
    return eulerToMatrix(vectorToAngles(view));
}

void ModelEditor::draw()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!m_active || !graphics) {
        return;
    }
    // The eye keeps the normal offset above the shifted target.
    ZonePosition3 eye = m_cameraEye;
    eye.z += m_cameraTarget.z;
    graphics->setCamera(ZonePosition(m_cameraTarget.zone, m_cameraTarget.x, m_cameraTarget.y), eye, m_zoom);
    graphics->clearViewport();
    graphics->getRenderQueue().beginFrame();
    Client* client = Client::instance();
    if (LightingSystem* lighting = LightingSystem::instance()) {
        if (!client || !client->isPaused()) {
            lighting->beginFrame();
        }
        // Radius 150 rather than 50: the model stands 100 units from the
        // light, which a disc of 50 (lit out to twice that) never reaches.
        lighting->addLight(ZonePosition(-1, 900.0f, 1000.0f), ColorSystem::getColor(0), kLightRadius, 0);
    }
    if (m_modelEntity->getModel()) {
        m_modelEntity->drawAtOwnPlace();
    }
    ZonePosition3 position;
    Matrix3 orientation;
    if (m_currentTag >= 0 && m_modelEntity->getTagTransform(m_currentTag, position, orientation)) {
        if (getUserVarInt("showTags") != 0) {
            const Color c = ColorSystem::getColor(0);
            const float colour[3] = {c.r, c.g, c.b};
            graphics->drawWireCube(position, 0.5f, colour);
        }
        const bool show = m_showAttachmentVar.isValid() && userVarsReady() && m_showAttachmentVar.getBool();
        if (m_attachmentEntity->getModel() && show) {
            m_attachmentEntity->draw(position, orientation);
        }
    }
    // The frame's effects pass belongs to the game's view, which the editor
    // replaces: the model's swipes and sparks are queued here.
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->draw(graphics->getRenderQueue());
    }
    graphics->drawQueuedSurfaces(graphics->getRenderQueue().getQueued());
}
