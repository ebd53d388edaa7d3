#pragma once

#include "game/quests/RecruitBase.h"

#include <memory>
#include <string>

class ByteBuffer;

// A recruit of the player's covenant as the client keeps it: the shared
// record, its entity number in the world and the name it is shown under.
class RecruitClient : public RecruitBase {
public:
    RecruitClient();

    // The network image (join message): entry id, the stats without a count,
    // the inventory's network image, the counted status-effect ids, the seed
    // value and the counted skill ids.
    void writeNetwork(ByteBuffer& out) const;
    // The state image of message 3: as the network image with the entity
    // number after the inventory. Whole or nothing: false, record unchanged,
    // for a short or damaged image.
    bool readImage(ByteBuffer& in);
    // readImage, then refreshName.
    bool readSnapshot(ByteBuffer& in);
    // The name from the recruit's entity mirror (its short hover text),
    // rebuilt when the mirror's level changed. Nothing without the mirror.
    void refreshName();

    int entityNumber = -1;
    bool stale = false;
    std::string name;
    int nameSource = -1;

protected:
    std::unique_ptr<InventoryBase> makeInventory() const override;
};
