#include "client/mirrors/EntityClient.h"

#include "engine/resources/ResourceSystem.h"

void EntityClient::loadResource(const std::string& name, ResourceHandle& out)
{
    ResourceSystem* resources = ResourceSystem::instance();
    out = resources ? resources->load(name) : ResourceHandle();
}
