// Drops files onto an X window through the XDND protocol, as a Linux file manager does;
// Wine turns such a drop into WM_DROPFILES for the window that accepts files. Built for
// Linux, run by the end-to-end drop tests.
//   xdnd_drop WINDOW FILE...   WINDOW: an X window id; FILE: an absolute Unix path.
// Ends 0 once the target reports the drop finished, 1 when it refuses or a deadline passes.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// file:// URIs with every byte outside the unreserved set percent-encoded (UTF-8 names too).
std::string UriList(int count, char** paths)
{
    std::string list;
    for (int i = 0; i < count; ++i) {
        list += "file://";
        for (const char* p = paths[i]; *p; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            if (isalnum(c) || strchr("-._~/", c)) {
                list += static_cast<char>(c);
            } else {
                char escaped[4];
                snprintf(escaped, sizeof(escaped), "%%%02X", c);
                list += escaped;
            }
        }
        list += "\r\n";
    }
    return list;
}

void SendClientMessage(Display* display, Window target, Atom type, long l0, long l1, long l2, long l3, long l4)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    const long data[5] = {l0, l1, l2, l3, l4};
    memcpy(event.xclient.data.l, data, sizeof(data));
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: xdnd_drop WINDOW FILE...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "no display\n");
        return 1;
    }
    Window target = strtoul(argv[1], nullptr, 0);
    std::string uris = UriList(argc - 2, argv + 2);
    Window root = DefaultRootWindow(display);
    Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    Atom enter = XInternAtom(display, "XdndEnter", False);
    Atom position = XInternAtom(display, "XdndPosition", False);
    Atom status = XInternAtom(display, "XdndStatus", False);
    Atom drop = XInternAtom(display, "XdndDrop", False);
    Atom finished = XInternAtom(display, "XdndFinished", False);
    Atom selection = XInternAtom(display, "XdndSelection", False);
    Atom copy = XInternAtom(display, "XdndActionCopy", False);
    Atom uriList = XInternAtom(display, "text/uri-list", False);
    XSetSelectionOwner(display, selection, source, CurrentTime);

    // The middle of the target, in root coordinates.
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, target, &attributes)) {
        fprintf(stderr, "no window 0x%lx\n", target);
        return 1;
    }
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, target, root, attributes.width / 2, attributes.height / 2, &x, &y, &child);

    SendClientMessage(display, target, enter, source, 5L << 24, uriList, None, None);
    SendClientMessage(display, target, position, source, 0, (long(x) << 16) | y, CurrentTime, copy);
    bool dropped = false;
    time_t deadline = time(nullptr) + 15;
    while (time(nullptr) < deadline) {
        if (!XPending(display)) {
            struct timespec pause = {0, 5 * 1000 * 1000};
            nanosleep(&pause, nullptr);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest && event.xselectionrequest.selection == selection) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            XEvent reply = {};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = None;
            if (request.target == uriList) {
                XChangeProperty(display, request.requestor, request.property, uriList, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
                reply.xselection.property = request.property;
            }
            XSendEvent(display, request.requestor, False, NoEventMask, &reply);
            XFlush(display);
        } else if (event.type == ClientMessage && event.xclient.message_type == status && !dropped) {
            if (!(event.xclient.data.l[1] & 1)) {
                fprintf(stderr, "the target refuses the drop at %d,%d\n", x, y);
                return 1;
            }
            SendClientMessage(display, target, drop, source, 0, CurrentTime, 0, 0);
            dropped = true;
        } else if (event.type == ClientMessage && event.xclient.message_type == finished) {
            XCloseDisplay(display);
            return 0;
        }
    }
    fprintf(stderr, dropped ? "the drop was never finished\n" : "the target never answered\n");
    return 1;
}
