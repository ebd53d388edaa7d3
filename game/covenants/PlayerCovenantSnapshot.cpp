#include "game/covenants/PlayerCovenant.h"

#include "engine/core/ByteBuffer.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"
#include "game/world/Game.h"

#include <algorithm>

void PlayerCovenant::writeSnapshot(ByteBuffer& out) const
{
    out.writeString(name.empty() ? getDefinitionName() : name);
    out.writeZonePosition(housePosition);
    out.writeInt(static_cast<int32_t>(index));
    inventory->write(out, false);
    out.writeInt(static_cast<uint32_t>(getRecruitCount()));
    const GameData* data = GameData::instance();
    const int slots = std::min(getRecruitSlotCount(), data ? data->rules().maxRecruits : 0);
    for (int slot = 0; slot < slots; ++slot) {
        if (const Recruit* recruit = getRecruit(slot)) {
            out.writeInt(static_cast<uint32_t>(slot));
            recruit->writeSection(out);
        }
    }
    for (int i = 0; i < kFunStatCount; ++i)
        out.writeInt(static_cast<int32_t>(funStats.get(i)));
    for (CovenantStat s : {CovenantStat::MaxNPCs, CovenantStat::MaxLifeStone, CovenantStat::Money})
        out.writeInt(static_cast<int32_t>(stats.get(static_cast<int>(s))));
    out.writeInt(static_cast<uint32_t>(destroyed ? 1 : 0));
    out.writeInt(static_cast<uint32_t>(isBeingRaided(nullptr) ? 1 : 0));
    out.writeInt(static_cast<uint32_t>(isAlarmActive() ? 1 : 0));
    out.writeInt(static_cast<uint32_t>(raidTarget != -1 ? 1 : 0));
    out.writeInt(static_cast<int32_t>(raidTarget));
    // Without a life stone (a world being replaced) both read 0.
    out.writeInt(static_cast<int32_t>(getLifestoneHealth()));
    out.writeInt(static_cast<int32_t>(getLifestoneMaxHealth()));
    const bool preview = recruitPreview && recruitPreview->getActor();
    out.writeInt(static_cast<uint32_t>(preview ? 1 : 0));
    if (preview)
        recruitPreview->writeSection(out);
}
