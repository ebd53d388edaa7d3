// What an entity mirror draws over itself on the virtual screen: the
// floating damage, healing and experience numbers, the health bar with a
// running progress bar under it, and its entity number.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/mirrors/OverheadText.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsSystem.h"

namespace {

constexpr uint32_t kHideExtras = 1u << 10;
constexpr uint32_t kEscortArrived = 1u << 8;
constexpr int kMonsterType = 5;
constexpr float kAboveEntity = 32.0f;
constexpr float kBarWidth = 40.0f;
constexpr float kBarHeight = 4.0f;
constexpr float kBarBelowText = 10.0f;
constexpr float kMinBarFade = 0.4f;

// An interface setting by name, made with the interface's default when absent.
bool setting(const char* name, const char* defaultText)
{
    UserVarSystem* vars = UserVarSystem::instance();
    return vars && vars->getVar(name, defaultText, UserVarSystem::kCreate).getInt() != 0;
}

void colourOf(ColorType type, float out[3])
{
    const Color c = ColorSystem::getColor(type);
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

} // namespace

void EntityClient::drawOverheadText()
{
    Client* client = Client::instance();
    GraphicsSystem* graphics = GraphicsSystem::instance();
    const GameClient* game = GameClient::instance();
    if (!client || !graphics || !game) {
        return;
    }
    const float zoom = client->getViewParameters().zoom > 0.0f ? client->getViewParameters().zoom : 1.0f;
    ZonePosition3 place;
    Matrix3 turn;
    getWorldTransform(place, turn);
    const Vec2 base = client->screenPositionOf(ZonePosition(place.zone, place.x, place.y), place.z);
    const bool own = m_entityNumber >= 0 && m_entityNumber == client->getPlayerSlot();
    const int playerCovenant = client->getPlayerCovenantIndex();
    const bool friendly = m_covenantIndex >= 0 && m_covenantIndex == playerCovenant;
    const bool hidden = (m_flags & kHideExtras) != 0;
    const ResourceHandle& font = graphics->getFontHandle(1);
    const float raise = (m_height + kAboveEntity) / zoom;

    // Floating numbers.
    const PlayerCovenantClient* covenant = client->getPlayerCovenant();
    const bool raid = covenant && (covenant->raiding || covenant->beingRaided);
    const bool numbers =
        (!setting("ui_hideNumbersDuringRaids", "0") || !raid) && setting("ui_showDamageNumbers", "1");
    if (numbers && !hidden && !m_floatingTexts.empty()) {
        const GameData* data = GameData::instance();
        const float lifetime = data ? data->rules().floatingTextLifetime : 1.0f;
        const float fadeTime = data ? data->rules().floatingTextFadeTime : 0.5f;
        const float rise = data ? data->rules().floatingTextRiseSpeed : 1.0f;
        const bool showXp = setting("ui_showXpNumbers", "1");
        const double now = game->getGameTime().toSeconds();
        for (const FloatingText& record : m_floatingTexts) {
            const OverheadText::Kind kind = OverheadText::classify(record.text);
            if (kind == OverheadText::Kind::Experience && !showXp) {
                continue;
            }
            const bool damage = kind == OverheadText::Kind::Damage;
            ColorType type = damage ? ColorType::White : ColorType::Yellow;
            if (own) {
                type = damage ? ColorType::Red : ColorType::Green;
            } else if (friendly) {
                // The colour table has no forest green: its dark green stands in.
                type = damage ? ColorType::Maroon : ColorType::DarkGreen;
            }
            float colour[3];
            colourOf(type, colour);
            const float age = static_cast<float>(now - record.time.toSeconds());
            const Vec2 size = graphics->layoutText(record.text, font);
            const float x = base.x - size.x * 0.5f;
            const float y = base.y - raise - rise * age;
            graphics->drawText(font, record.text, static_cast<int>(x), static_cast<int>(y), colour, true,
                               OverheadText::alpha(age, lifetime, fadeTime));
        }
    }

    // Health bar, and a running progress bar below it.
    bool bar = false;
    if (setting("ui_inGameHealthBars", "1")) {
        if (own) {
            bar = setting("ui_playerHealthBar", "0");
        } else if (getFadeValue() >= kMinBarFade && !hidden) {
            const bool alive = isAlive();
            const bool full = getFadeValue() == 1.0f;
            bar = (m_health > 0 && m_health < m_maxHealth) ||
                  (alive && m_type == kMonsterType && !m_givesQuests && !m_vendor) ||
                  (alive && m_npc && m_covenantIndex >= 0) || isRescueNpc() ||
                  (m_canReceiveDelivery && full) || (m_canBeEscorted && !(m_flags & kEscortArrived));
        }
    }
    const ResourceHandle* white = graphics->getStandardTexture(0);
    if (bar && white) {
        ColorType fill = ColorType::Orange;
        if (friendly) {
            fill = ColorType::Green;
        } else if (m_npcRenegade || m_npcThief || (m_type == kMonsterType && !m_npc && m_covenantIndex < 0)) {
            fill = ColorType::Red;
        } else if (m_covenantIndex < 0) {
            fill = ColorType::Yellow;
        } else if (playerCovenant >= 0) {
            const int treaty = game->getTreatyState(m_covenantIndex, playerCovenant);
            if (treaty == static_cast<int>(CovenantTreaty::War) ||
                treaty == static_cast<int>(CovenantTreaty::Raid)) {
                fill = ColorType::Red;
            }
        }
        const float w = kBarWidth / zoom;
        const float h = kBarHeight / zoom;
        const float x0 = base.x - w * 0.5f;
        const float y0 = base.y - (m_height + kAboveEntity - kBarBelowText) / zoom;
        auto drawBar = [&](float top, float share, ColorType colour) {
            float black[3], inside[3];
            colourOf(ColorType::Black, black);
            colourOf(colour, inside);
            graphics->drawImage(black, *white, x0 - 1.0f, top - 1.0f, x0 + w + 1.0f, top + h + 1.0f, 1.0f,
                                false, false);
            graphics->drawImage(inside, *white, x0, top, x0 + w * share, top + h, 1.0f, false, false);
        };
        drawBar(y0, OverheadText::healthFraction(m_health, m_maxHealth), fill);
        if (m_progressLength > 0.0f && m_progressTimer > 0.0f && m_progressTimer < m_progressLength) {
            drawBar(y0 + h + 2.0f, m_progressTimer / m_progressLength, ColorType::White);
        }
    }

    if (setting("showEntnums", "0")) {
        const float white3[3] = {1.0f, 1.0f, 1.0f};
        const std::string number = formatString("%d", m_entityNumber);
        const Vec2 size = graphics->layoutText(number, font);
        graphics->drawText(font, number, static_cast<int>(base.x - size.x * 0.5f),
                           static_cast<int>(base.y - raise - size.y), white3, true, 1.0f);
    }
}
