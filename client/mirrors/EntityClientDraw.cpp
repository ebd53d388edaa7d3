// Drawing of the entity mirror: the passes that put its body and what it
// wears into the render queue.
#include "client/mirrors/EntityClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/ShaderSystem.h"

#include <algorithm>

namespace {

// Entity flag bit 10: no shadow, bars, numbers or mouse actions.
constexpr uint32_t kHideExtras = 1u << 10;
// Entity flag bit 0: not drawn.
constexpr uint32_t kNotDrawn = 1u << 0;
// Where the projected shadow's light stands, from the entity.
const Vec3 kShadowLight(-100.0f, -100.0f, 150.0f);
const float kBlack[3] = {0.0f, 0.0f, 0.0f};
constexpr float kBlobSize = 32.0f;
constexpr float kBlobAlpha = 0.5f;
// Standard texture of the blob shadow.
constexpr int kShadowTexture = 4;
// Entity flag bits of the quest signs.
constexpr uint32_t kEscortArrived = 1u << 8;
constexpr const char* kQuestCompletedIcon = "Textures/Icons/questCompleted.tga";
constexpr const char* kQuestAvailableIcon = "Textures/Icons/questAvailable.tga";
// The sub-type icons above entities are asked with.
constexpr int kIconSubType = 5;
// Half the side of the debug box on each attach point ("showTags"): the
// model editor's 0.5 is a speck at the game's zoom.
constexpr float kTagBoxHalfSize = 2.0f;

bool userVarOn(const char* name, bool fallback)
{
    const UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getBool() : fallback;
}

int localPlayerNumber()
{
    const Client* client = Client::instance();
    return client ? client->getPlayerSlot() : -1;
}

// A covenant's crest for the icon above its members: the small one when
// the definition has it.
std::string crestOfCovenant(int index)
{
    const GameClient* game = GameClient::instance();
    const CovenantClient* covenant = game ? game->getCovenant(index) : nullptr;
    const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
    if (!definition) {
        return {};
    }
    return definition->smallCrestName.empty() ? definition->crestName : definition->smallCrestName;
}

} // namespace

void EntityClient::drawAtOwnPlace()
{
    if (hasFlag(kNotDrawn)) {
        return;
    }
    ZonePosition3 position;
    Matrix3 orientation;
    getWorldTransform(position, orientation);
    draw(position, orientation);
}

void EntityClient::draw(const ZonePosition3& position, const Matrix3& orientation)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics || !getModel() || m_animation < 0) {
        return;
    }
    RenderQueue& queue = graphics->getRenderQueue();
    m_lit.position = position;
    m_lit.direction = m_direction;
    m_lit.lightColour[0] = m_lightColor.x;
    m_lit.lightColour[1] = m_lightColor.y;
    m_lit.lightColour[2] = m_lightColor.z;

    const int localNumber = localPlayerNumber();
    const EntityClient* parent = getAttachParent();
    const bool local = localNumber >= 0 && m_entityNumber == localNumber;
    const bool onLocal = local || (parent && localNumber >= 0 && parent->getEntityNumber() == localNumber);

    ResourceSystem* resources = ResourceSystem::instance();
    const Skin* bodySkin = m_skinCopy.get();
    if (!bodySkin && resources && m_skin.isValid()) {
        bodySkin = dynamic_cast<Skin*>(resources->get(m_skin));
    }
    ModelDrawRequest body;
    body.model = m_model.getIndex();
    body.skin = bodySkin;
    // The server's flags start all clear; a set without any bit on would hide
    // the whole body, so it counts as none (every mesh drawn).
    const bool anyVisible =
        std::find(m_visualFlags.begin(), m_visualFlags.end(), true) != m_visualFlags.end();
    body.visibleMeshes = anyVisible ? &m_visualFlags : nullptr;
    body.position = position;
    body.orientation = orientation;
    body.scale = getScale();
    body.fade = getFadeValue();
    body.animation = m_animation;
    body.time = m_animationTime;
    body.litEntity = &m_lit;

    // The worn models that hang on a tag of the body, at that tag.
    struct Worn {
        ModelDrawRequest request;
        int glow = 0;
    };
    std::vector<Worn> worn;
    const bool showHelmet = !local || userVarOn("ui_drawPlayerHelmet", true);
    for (int slot = 0; slot < kAttachmentSlots; ++slot) {
        const AttachmentSlot& s = m_slots[static_cast<size_t>(slot)];
        if ((slot == 0 && !showHelmet) || !s.model.isValid()) {
            continue;
        }
        const int tag = findAttachPoint(s.tagName);
        Worn w;
        if (tag < 0 || !getTagTransform(tag, w.request.position, w.request.orientation)) {
            continue;
        }
        w.request.model = s.model.getIndex();
        w.request.scale = body.scale * (s.scale > 0.0f ? s.scale : 1.0f);
        w.request.fade = body.fade;
        w.request.litEntity = &m_lit;
        w.glow = s.glow;
        worn.push_back(w);
    }

    const int shadowMode = graphics->getShadowMode();
    const bool shadow = m_drawShadow && !hasFlag(kHideExtras);
    ZonePosition3 light = position;
    if (parent) {
        Matrix3 ignored;
        parent->getWorldTransform(light, ignored);
    }
    light.addOffset(kShadowLight.x, kShadowLight.y, kShadowLight.z);
    auto again = [&](ModelDrawRequest request, int shader) {
        if (shader < 0) {
            return; // no such shader: not the model's own again
        }
        request.overrideShader = shader;
        request.singlePass = true;
        queue.addSkinnedModel(request);
    };
    auto shadowOf = [&](ModelDrawRequest request) {
        request.shadowPass = true;
        request.shadowLight = light;
        request.singlePass = true;
        queue.addSkinnedModel(request);
    };

    // 1. The body.
    queue.addSkinnedModel(body);
    // 2. Its shadow.
    if (shadow && shadowMode == 1) {
        const ResourceHandle* blob = graphics->getStandardTexture(kShadowTexture);
        graphics->queueGroundQuad(position, blob ? blob->getIndex() : -1, kBlobSize, kBlack, kBlobAlpha);
    } else if (shadow && shadowMode == 2) {
        shadowOf(body);
    }
    // 3. The silhouette of the local player's character, in its map colour.
    const int outline = onLocal ? graphics->getOutlineTexture(getMapColorCode()) : -1;
    if (onLocal) {
        again(body, outline);
    }
    // 4. Status effects shown over the body and what it wears, then those of
    // the parent that show on what is attached to it.
    auto overlay = [&](int shader) {
        again(body, shader);
        for (const Worn& w : worn) {
            again(w.request, shader);
        }
    };
    for (const auto& effect : m_effects) {
        if (effect->getVictimShader().isValid()) {
            overlay(effect->getVictimShader().getIndex());
        }
    }
    if (parent) {
        for (const auto& effect : parent->getStatusEffects()) {
            if (effect->getVictimShader().isValid() && effect->isVictimShaderOnChild()) {
                overlay(effect->getVictimShader().getIndex());
            }
        }
    }
    // 5. What it wears.
    for (const Worn& w : worn) {
        queue.addSkinnedModel(w.request);
        if (shadow && shadowMode == 2) {
            shadowOf(w.request);
        }
        if (onLocal) {
            again(w.request, outline);
        }
        if (w.glow >= 5 && w.glow <= 7) {
            again(w.request, graphics->getGlowTexture(w.glow));
        }
    }
    // 6. The model's attach points as debug boxes.
    if (userVarOn("showTags", false)) {
        const float white[3] = {1.0f, 1.0f, 1.0f};
        const int points = getModel()->getNumAttachPoints();
        for (int point = 0; point < points; ++point) {
            ZonePosition3 at;
            Matrix3 turn;
            if (getTagTransform(point, at, turn)) {
                graphics->queueWireCube(at, kTagBoxHalfSize, white);
            }
        }
    }
    // 7. The icon above it.
    const std::string icon = getOverheadIconName();
    if (!icon.empty()) {
        if (icon != m_iconShaderName) {
            m_iconShader = acquireShader(icon, kIconSubType);
            m_iconShaderName = icon;
        }
        const GameData* data = GameData::instance();
        const float size = data ? static_cast<float>(data->rules().questIconWidth) : 16.0f;
        ZonePosition3 above = position;
        above.z += m_iconHeight;
        const float white[3] = {1.0f, 1.0f, 1.0f};
        queue.addParticle(m_iconShader.getIndex(), above, 0.0f, size, white, 1.0f, 0.0f);
    }
}

std::string EntityClient::getOverheadIconName() const
{
    if (!m_drawIcons || !(m_maxHealth < 1 || isAlive())) {
        return {};
    }
    const int covenant = getCovenantIndex();
    if (covenant >= 0) {
        const Client* client = Client::instance();
        const int own = client ? client->getPlayerCovenantIndex() : -1;
        return covenant == own ? std::string() : crestOfCovenant(covenant);
    }
    if (isQuestTarget()) {
        return kQuestCompletedIcon;
    }
    if (m_npc && hasNewQuestForPlayer()) {
        return kQuestAvailableIcon;
    }
    const bool full = getFadeValue() == 1.0f;
    if (isRescueNpc() || (m_canReceiveDelivery && full) || (m_canBeEscorted && !hasFlag(kEscortArrived))) {
        return kQuestCompletedIcon;
    }
    return {};
}
