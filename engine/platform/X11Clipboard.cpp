#include "engine/platform/X11Clipboard.h"

#include "engine/core/DebugSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <dlfcn.h>
#include <mutex>

// This file includes Xlib (through SDL_syswm.h), whose macros (None, Bool,
// Status …) would leak into other sources: it compiles on its own.

namespace {

// The few Xlib calls the owner makes, from the library SDL itself uses.
struct Xlib {
    decltype(&::XInternAtom) internAtom = nullptr;
    decltype(&::XSetSelectionOwner) setSelectionOwner = nullptr;
    decltype(&::XGetSelectionOwner) getSelectionOwner = nullptr;
    decltype(&::XChangeProperty) changeProperty = nullptr;
    decltype(&::XSendEvent) sendEvent = nullptr;
    decltype(&::XFlush) flush = nullptr;
    decltype(&::XMaxRequestSize) maxRequestSize = nullptr;
    decltype(&::XExtendedMaxRequestSize) extendedMaxRequestSize = nullptr;

    bool complete() const
    {
        return internAtom && setSelectionOwner && getSelectionOwner && changeProperty && sendEvent && flush &&
               maxRequestSize && extendedMaxRequestSize;
    }
};

// Opened once and kept: SDL keeps the same library open while its video runs.
const Xlib* xlib()
{
    static const Xlib* loaded = []() -> const Xlib* {
        void* handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            return nullptr;
        }
        static Xlib x;
        x.internAtom = reinterpret_cast<decltype(x.internAtom)>(dlsym(handle, "XInternAtom"));
        x.setSelectionOwner =
            reinterpret_cast<decltype(x.setSelectionOwner)>(dlsym(handle, "XSetSelectionOwner"));
        x.getSelectionOwner =
            reinterpret_cast<decltype(x.getSelectionOwner)>(dlsym(handle, "XGetSelectionOwner"));
        x.changeProperty = reinterpret_cast<decltype(x.changeProperty)>(dlsym(handle, "XChangeProperty"));
        x.sendEvent = reinterpret_cast<decltype(x.sendEvent)>(dlsym(handle, "XSendEvent"));
        x.flush = reinterpret_cast<decltype(x.flush)>(dlsym(handle, "XFlush"));
        x.maxRequestSize = reinterpret_cast<decltype(x.maxRequestSize)>(dlsym(handle, "XMaxRequestSize"));
        x.extendedMaxRequestSize =
            reinterpret_cast<decltype(x.extendedMaxRequestSize)>(dlsym(handle, "XExtendedMaxRequestSize"));
        return x.complete() ? &x : nullptr;
    }();
    return loaded;
}

// What the owning window offers. Requests arrive on the thread that pumps
// SDL's events, the offer on the one that exports: a mutex keeps them apart.
struct Offer {
    std::mutex mutex;
    Window window = None;
    Atom clipboard = None;
    Atom targets = None;
    Atom html = None;
    Atom utf8 = None;
    std::string text;
};

Offer& currentOffer()
{
    static Offer o;
    return o;
}

// Answers one request of another client: the property it names gets the
// text or the list of targets, and a SelectionNotify tells it so (with
// property None when the target is not offered or the text cannot go).
void answer(const Xlib& x, const Offer& o, const XSelectionRequestEvent& request)
{
    Display* display = request.display;
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request.display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    // Clients before ICCCM 2 name no property: the target's name serves.
    const Atom property = request.property != None ? request.property : request.target;
    if (request.target == o.targets) {
        const long atoms[] = {static_cast<long>(o.targets), static_cast<long>(o.html),
                              static_cast<long>(o.utf8)};
        x.changeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                         reinterpret_cast<const unsigned char*>(atoms), 3);
        reply.xselection.property = property;
    } else if (request.target == o.html || request.target == o.utf8) {
        // One request carries the text; the INCR transfer for larger ones is
        // not made (a character page is some tens of kilobytes).
        long units = x.extendedMaxRequestSize(display);
        if (units == 0) {
            units = x.maxRequestSize(display);
        }
        const size_t limit = units > 64 ? static_cast<size_t>(units) * 4 - 256 : 0;
        if (o.text.size() <= limit) {
            x.changeProperty(display, request.requestor, property, request.target, 8, PropModeReplace,
                             reinterpret_cast<const unsigned char*>(o.text.data()),
                             static_cast<int>(o.text.size()));
            reply.xselection.property = property;
        } else {
            debugPrint(2, "The clipboard text (%zu bytes) is larger than one X request (%zu bytes)\n",
                       o.text.size(), limit);
        }
    }
    x.sendEvent(display, request.requestor, False, NoEventMask, &reply);
    x.flush(display);
}

// SDL calls this for each event it queues, inside its event pump, so that
// requests are answered even while SDL itself waits for the clipboard.
int SDLCALL watchEvents(void*, SDL_Event* event)
{
    if (event->type != SDL_SYSWMEVENT || !event->syswm.msg || event->syswm.msg->subsystem != SDL_SYSWM_X11) {
        return 1;
    }
    const Xlib* x = xlib();
    Offer& o = currentOffer();
    const XEvent& xe = event->syswm.msg->msg.x11.event;
    std::lock_guard<std::mutex> lock(o.mutex);
    if (!x || o.window == None) {
        return 1;
    }
    if (xe.type == SelectionRequest && xe.xselectionrequest.owner == o.window &&
        xe.xselectionrequest.selection == o.clipboard) {
        answer(*x, o, xe.xselectionrequest);
    } else if (xe.type == SelectionClear && xe.xselectionclear.window == o.window &&
               xe.xselectionclear.selection == o.clipboard) {
        // Another client has the clipboard now.
        o.window = None;
        o.text.clear();
    }
    return 1;
}

} // namespace

bool X11Clipboard::offer(SDL_Window* window, const std::string& utf8)
{
    if (!window) {
        return false;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    const Xlib* x = xlib();
    if (!x) {
        debugPrint(2, "The clipboard needs libX11.so.6, which cannot be loaded\n");
        return false;
    }
    Display* display = info.info.x11.display;
    const Window owner = info.info.x11.window;
    {
        Offer& o = currentOffer();
        std::lock_guard<std::mutex> lock(o.mutex);
        o.window = owner;
        o.clipboard = x->internAtom(display, "CLIPBOARD", False);
        o.targets = x->internAtom(display, "TARGETS", False);
        o.html = x->internAtom(display, "text/html", False);
        o.utf8 = x->internAtom(display, "UTF8_STRING", False);
        o.text = utf8;
    }
    // The requests reach the program as SDL's window-manager events. A video
    // restart drops SDL's watchers, so the watcher is added again each time.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_DelEventWatch(watchEvents, nullptr);
    SDL_AddEventWatch(watchEvents, nullptr);
    Offer& o = currentOffer();
    x->setSelectionOwner(display, o.clipboard, owner, CurrentTime);
    if (x->getSelectionOwner(display, o.clipboard) != owner) {
        std::lock_guard<std::mutex> lock(o.mutex);
        o.window = None;
        o.text.clear();
        return false;
    }
    x->flush(display);
    return true;
}

bool X11Clipboard::isOffering()
{
    Offer& o = currentOffer();
    std::lock_guard<std::mutex> lock(o.mutex);
    return o.window != None;
}
