#pragma once

#include <functional>

class Client;
class GraphicsSystem;

// Fills the frame's client slots (state, camera, the world's cells, the
// entity passes, the text-event sink) from the client and the shared world.
void installClientFrameHooks(Client& client, GraphicsSystem& graphics);
// What effects ask of the client: pause, weather, wind, projection, sound.
struct EffectEnvironment makeEffectEnvironment(Client& client);
// The client's frame renderer around the graphics frame: the view the
// client's screen conversions read is taken from the graphics system first.
std::function<void(double)> wrapFrameRenderer(std::function<void(double)> renderer);
