#pragma once

// Installs the covenant-trait and covenant-definition loaders and the
// covenant name hook in GameData::loaders(); call before GameData::load.
void registerCovenantLoaders();
