#include "platform/windows/X11Windows.h"

#include <algorithm>
#include <cstdlib>

#ifdef LV8_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace lv8int {

X11Windows& X11Windows::instance() {
  static X11Windows* windows = new X11Windows;  // never destroyed: see WindowRegistry
  return *windows;
}

#ifdef LV8_HAVE_X11

namespace {

// Xlib reports protocol errors (a window that went away) to one process-wide handler whose
// default ends the process. While a session runs, errors on our connection are counted.
Display* sessionDisplay = nullptr;
int sessionErrors = 0;
int sessionDepth = 0;
XErrorHandler previousHandler = nullptr;

int onXError(Display* d, XErrorEvent* e) {
  if (d == sessionDisplay) {
    ++sessionErrors;
    return 0;
  }
  return previousHandler ? previousHandler(d, e) : 0;
}

std::vector<unsigned long> longProperty(Display* d, Window w, const char* name, Atom type) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> out;
  if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1L << 16, False, type,
                         &actualType, &format, &count, &after, &data) == Success && data) {
    if (format == 32) {
      auto* p = reinterpret_cast<unsigned long*>(data);  // format 32 arrives as longs
      out.assign(p, p + count);
    }
    XFree(data);
  }
  return out;
}

bool supportsAtom(Display* d, const char* atomName) {
  const Atom wanted = XInternAtom(d, atomName, False);
  const auto supported = longProperty(d, DefaultRootWindow(d), "_NET_SUPPORTED", XA_ATOM);
  return std::find(supported.begin(), supported.end(), wanted) != supported.end();
}

}  // namespace

struct X11Windows::Session {
  std::lock_guard<std::recursive_mutex> lock;
  Display* d;
  explicit Session(X11Windows& self)
      : lock(self.mutex_), d(static_cast<Display*>(self.display())) {
    if (!d) return;
    if (sessionDepth++ > 0) return;  // the handler of the outer session is in place
    sessionDisplay = d;
    sessionErrors = 0;
    previousHandler = XSetErrorHandler(onXError);
  }
  ~Session() {
    if (!d) return;
    XSync(d, False);
    if (--sessionDepth > 0) return;
    XSetErrorHandler(previousHandler);
    sessionDisplay = nullptr;
  }
  // True when a request of this session failed so far.
  bool failed() {
    XSync(d, False);
    return sessionErrors > 0;
  }
};

void* X11Windows::display() {
  const char* name = std::getenv("DISPLAY");
  const std::string wanted = name ? name : "";
  if (display_ && wanted == displayName_) return display_;
  if (display_) XCloseDisplay(static_cast<Display*>(display_));
  display_ = nullptr;
  displayName_ = wanted;
  if (!wanted.empty()) display_ = XOpenDisplay(wanted.c_str());
  return display_;
}

bool X11Windows::available() {
  Session s(*this);
  return s.d != nullptr;
}

std::vector<uint64_t> X11Windows::clientWindows(int64_t processId) {
  Session s(*this);
  if (!s.d) return {};
  Display* d = s.d;
  const Window root = DefaultRootWindow(d);
  // The window manager's list in stacking order (bottom first), else its list in mapping
  // order; without a window manager, the mapped children of the root window (bottom first).
  std::vector<unsigned long> list = longProperty(d, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
  if (list.empty()) list = longProperty(d, root, "_NET_CLIENT_LIST", XA_WINDOW);
  if (list.empty()) {
    Window rootOut = 0, parentOut = 0, *children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(d, root, &rootOut, &parentOut, &children, &n) && children) {
      for (unsigned int i = 0; i < n; ++i) {
        XWindowAttributes a;
        sessionErrors = 0;
        if (XGetWindowAttributes(d, children[i], &a) && !s.failed() && a.map_state == IsViewable &&
            !a.override_redirect && a.c_class == InputOutput)
          list.push_back(children[i]);
      }
      XFree(children);
    }
  }
  std::vector<uint64_t> out;
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const auto pid = longProperty(d, *it, "_NET_WM_PID", XA_CARDINAL);
    if (!pid.empty() && static_cast<int64_t>(pid.front()) == processId) out.push_back(*it);
  }
  return out;
}

bool X11Windows::exists(uint64_t window) {
  Session s(*this);
  if (!s.d) return false;
  XWindowAttributes a;
  return XGetWindowAttributes(s.d, window, &a) && !s.failed();
}

bool X11Windows::hasOwner(uint64_t window) {
  Session s(*this);
  if (!s.d) return false;
  Window owner = None;
  return XGetTransientForHint(s.d, window, &owner) && owner != None && !s.failed();
}

std::optional<String> X11Windows::name(uint64_t window) {
  Session s(*this);
  if (!s.d) return std::nullopt;
  Display* d = s.d;
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), 0, 1L << 16, False,
                         XInternAtom(d, "UTF8_STRING", False), &actualType, &format, &count,
                         &after, &data) == Success && data) {
    String text = format == 8 ? fromUtf8(std::string_view(reinterpret_cast<char*>(data), count)) : String();
    XFree(data);
    if (format == 8) return text;
  }
  if (s.failed()) return std::nullopt;
  XTextProperty prop{};
  if (!XGetWMName(d, window, &prop) || !prop.value) return s.failed() ? std::nullopt : std::optional<String>(String());
  String text;
  if (prop.encoding == XA_STRING) {
    for (unsigned long i = 0; i < prop.nitems; ++i) text.push_back(static_cast<char16_t>(prop.value[i]));
  } else {
    char** list = nullptr;
    int n = 0;
    if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
      if (n > 0) text = fromUtf8(list[0]);
      XFreeStringList(list);
    }
  }
  XFree(prop.value);
  return text;
}

bool X11Windows::setName(uint64_t window, const String& text) {
  Session s(*this);
  if (!s.d) return false;
  const std::string utf8 = toUtf8(text);
  XChangeProperty(s.d, window, XInternAtom(s.d, "_NET_WM_NAME", False),
                  XInternAtom(s.d, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  char* list[] = {const_cast<char*>(utf8.c_str())};
  XTextProperty prop{};
  if (Xutf8TextListToTextProperty(s.d, list, 1, XStdICCTextStyle, &prop) >= Success) {
    XSetWMName(s.d, window, &prop);
    XFree(prop.value);
  }
  return !s.failed();
}

std::optional<WindowRect> X11Windows::frameRect(uint64_t window) {
  Session s(*this);
  if (!s.d) return std::nullopt;
  XWindowAttributes a;
  if (!XGetWindowAttributes(s.d, window, &a) || s.failed()) return std::nullopt;
  int x = 0, y = 0;
  Window child = None;
  XTranslateCoordinates(s.d, window, DefaultRootWindow(s.d), 0, 0, &x, &y, &child);
  if (s.failed()) return std::nullopt;
  auto extents = longProperty(s.d, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);  // l, r, t, b
  extents.resize(4, 0);
  const auto l = static_cast<int32_t>(extents[0]), r = static_cast<int32_t>(extents[1]),
             t = static_cast<int32_t>(extents[2]), b = static_cast<int32_t>(extents[3]);
  return WindowRect{x - l, y - t, x + a.width + r, y + a.height + b};
}

bool X11Windows::moveFrame(uint64_t window, int32_t x, int32_t y, int32_t width, int32_t height) {
  Session s(*this);
  if (!s.d) return false;
  auto extents = longProperty(s.d, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  extents.resize(4, 0);
  // The window manager places the frame's corner at the requested position (north-west
  // gravity); the size asked for is the client's.
  const int32_t w = width - static_cast<int32_t>(extents[0] + extents[1]);
  const int32_t h = height - static_cast<int32_t>(extents[2] + extents[3]);
  XMoveResizeWindow(s.d, window, x, y, static_cast<unsigned>(std::max(1, w)),
                    static_cast<unsigned>(std::max(1, h)));
  return !s.failed();
}

bool X11Windows::requestClose(uint64_t window) {
  Session s(*this);
  if (!s.d) return false;
  Display* d = s.d;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.format = 32;
  if (supportsAtom(d, "_NET_CLOSE_WINDOW")) {
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "_NET_CLOSE_WINDOW", False);
    ev.xclient.data.l[0] = CurrentTime;
    ev.xclient.data.l[1] = 2;  // on behalf of a direct user action
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureNotifyMask | SubstructureRedirectMask, &ev);
    return !s.failed();
  }
  // No window manager to ask: deliver the close request to the client itself, when it takes one.
  const Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  Atom* protocols = nullptr;
  int n = 0;
  bool takesDelete = false;
  if (XGetWMProtocols(d, window, &protocols, &n) && protocols) {
    takesDelete = std::find(protocols, protocols + n, deleteWindow) != protocols + n;
    XFree(protocols);
  }
  if (!takesDelete || s.failed()) return false;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.data.l[0] = static_cast<long>(deleteWindow);
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &ev);
  return !s.failed();
}

#else  // no X11 in this build: there are no foreign windows

struct X11Windows::Session {};
void* X11Windows::display() { return nullptr; }
bool X11Windows::available() { return false; }
std::vector<uint64_t> X11Windows::clientWindows(int64_t) { return {}; }
bool X11Windows::exists(uint64_t) { return false; }
bool X11Windows::hasOwner(uint64_t) { return false; }
std::optional<String> X11Windows::name(uint64_t) { return std::nullopt; }
bool X11Windows::setName(uint64_t, const String&) { return false; }
std::optional<WindowRect> X11Windows::frameRect(uint64_t) { return std::nullopt; }
bool X11Windows::moveFrame(uint64_t, int32_t, int32_t, int32_t, int32_t) { return false; }
bool X11Windows::requestClose(uint64_t) { return false; }

#endif

}  // namespace lv8int
