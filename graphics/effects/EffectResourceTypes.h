#pragma once

class ResourceSystem;

// ".eff", ".bem" and ".swp" under "Effects/"; a second call does nothing.
void registerEffectResourceTypes(ResourceSystem& resources);
