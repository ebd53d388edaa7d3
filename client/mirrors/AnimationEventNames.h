#pragma once

// The animation events an entity mirror acts on (sounds, effects, beams and
// swipes), in the order its handlers are bound. The data check reports one
// that no shipped model fires.
inline constexpr const char* kAnimationEventNames[] = {"sound",
                                                       "loopSound",
                                                       "stopLoopSound",
                                                       "startEffect",
                                                       "stopEffect",
                                                       "spawnEffect",
                                                       "startBeam",
                                                       "stopBeam",
                                                       "startSwipe",
                                                       "stopSwipe",
                                                       "startClientModelSwipe",
                                                       "stopClientModelSwipe"};
