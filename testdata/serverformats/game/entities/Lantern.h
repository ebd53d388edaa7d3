#pragma once

class Lantern : public Entity {
public:
    void writeSection(ByteBuffer& out) const;
};
