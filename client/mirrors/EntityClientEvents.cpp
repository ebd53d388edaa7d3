// The named animation events of the entity mirror and the handlers this
// class binds for them.
#include "client/mirrors/EntityClient.h"

#include "client/mirrors/AnimationEventNames.h"
#include "engine/core/StringUtil.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/Event.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/SoundSystem.h"

namespace {

int eventId(const char* name)
{
    const EventSystem* events = EventSystem::instance();
    const EventType* type = events ? events->findEvent(name) : nullptr;
    return type ? type->id : -1;
}

// A sound file named by an event, under "Sounds".
std::string soundPath(const std::string& file)
{
    if (file.size() >= 7 && equalsNoCase(std::string_view(file).substr(0, 7), "Sounds/")) {
        return file;
    }
    return "Sounds/" + file;
}

} // namespace

void EntityClient::declareEvents(ClassRecord&)
{
    if (EventSystem* events = EventSystem::instance()) {
        for (const char* name : kAnimationEventNames) {
            events->createEvent(name);
        }
    }
}

void EntityClient::bindHandlers(ClassRecord& record)
{
    const std::pair<const char*, void (EntityClient::*)(Event&)> handlers[] = {
        {"sound", &EntityClient::onSoundEvent},
        {"loopSound", &EntityClient::onLoopSoundEvent},
        {"stopLoopSound", &EntityClient::onStopLoopSoundEvent},
        {"startEffect", &EntityClient::onStartEffectEvent},
        {"stopEffect", &EntityClient::onStopEffectEvent},
        {"spawnEffect", &EntityClient::onSpawnEffectEvent},
        {"startBeam", &EntityClient::onStartBeamEvent},
        {"stopBeam", &EntityClient::onStopBeamEvent},
        {"startSwipe", &EntityClient::onStartSwipeEvent},
        {"stopSwipe", &EntityClient::onStopSwipeEvent},
        {"startClientModelSwipe", &EntityClient::onStartClientModelSwipeEvent},
        {"stopClientModelSwipe", &EntityClient::onStopClientModelSwipeEvent},
    };
    for (const auto& [name, handler] : handlers) {
        if (int id = eventId(name); id >= 0) {
            record.addEventHandler(id, handler);
        }
    }
}

void EntityClient::onAnimationEvent(int animation, int kind, int frame)
{
    const ModelAnimation* record = getAnimationRecord(animation);
    EventSystem* events = EventSystem::instance();
    if (!record || !events) {
        return;
    }
    // The window of frames the kind stands for: a frame just reached, the
    // start (entry events only) or the end (exit events only).
    int from = frame - 1, to = frame;
    if (kind == kEventEnter) {
        from = to = -1;
    } else if (kind == kEventLeave) {
        from = to = record->getNumFrames();
    }
    size_t cursor = 0;
    while (const AnimationEvent* e = record->findNextEvent(from, to, cursor)) {
        const bool startOrEnd = e->kind == AnimationEventKind::Entry || e->kind == AnimationEventKind::Exit;
        if (kind == kEventFrame && startOrEnd) {
            continue;
        }
        const EventType* type = events->findEvent(e->name);
        if (!type) {
            continue;
        }
        Event* event = events->newEventOfType(*type);
        // A handler reads a fixed number of strings; the ones the model
        // file left out read as empty.
        for (int i = 0; i < ModelAnimation::kMaxEventArgs; ++i) {
            event->writeString(static_cast<size_t>(i) < e->args.size() ? e->args[static_cast<size_t>(i)]
                                                                       : std::string());
        }
        deliverEvent(*event, *this);
        events->releaseEvent(event);
    }
}

void EntityClient::onSoundEvent(Event& event)
{
    playEventSound(event, false);
}

void EntityClient::onLoopSoundEvent(Event& event)
{
    playEventSound(event, true);
}

// The sound an animation event names, at this mirror's place.
void EntityClient::playEventSound(Event& event, bool loop)
{
    SoundSystem* sound = SoundSystem::instance();
    ResourceSystem* resources = ResourceSystem::instance();
    const std::string file = event.readString();
    if (!sound || !sound->isInitialized() || !resources || file.empty()) {
        return;
    }
    ResourceHandle handle = resources->load(soundPath(file));
    SoundChannel* channel = sound->findFreeChannel();
    if (handle.isValid() && channel) {
        sound->playSound(channel, ZonePosition3::fromZonePosition(m_position), handle, m_entityNumber, 0,
                         loop, 0.0f, 0.0f);
    }
}

void EntityClient::onStopLoopSoundEvent(Event&)
{
    SoundSystem* sound = SoundSystem::instance();
    if (sound && sound->isInitialized()) {
        sound->stopChannel(sound->findChannelByOwner(m_entityNumber, 0));
    }
}
