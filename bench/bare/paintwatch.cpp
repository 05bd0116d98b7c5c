// Starts a program and watches its windows from the X server's side, through the
// DAMAGE extension: a window's first paint is the first time anything is drawn into
// it, which needs no help from the program being watched.
//
//   paintwatch [--name TITLE] [--settle MS] [--timeout MS] [--answer-dialogs] -- PROGRAM ARGS...
//
// Prints one line of figures, all in milliseconds from just before the program was
// started:
//   mapped       the main window became visible
//   first_paint  first drawing into the main window (mapped, not transient, named TITLE)
//   settled      the last drawing into the main window before it stayed unchanged for
//                the settle time with no dialog open
//   dialog       first drawing into the first dialog (a transient window), or -1
//   vmhwm_kb     the program's peak resident set, read just before it is ended
// With --answer-dialogs every dialog gets the Return key as soon as it is painted,
// the way a user confirms a message box.
//
// Meant for a display with no window manager (xvfb-run), where top-level windows
// are children of the root window.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Watched {
  Damage damage = 0;
  bool mapped = false;
  bool painted = false;
  bool dialog = false;
  bool answered = false;
};

double Since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string WindowName(Display* dpy, Window w) {
  Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  Atom net_name = XInternAtom(dpy, "_NET_WM_NAME", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(dpy, w, net_name, 0, 1024, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    name.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    return name;
  }
  char* plain = nullptr;
  if (XFetchName(dpy, w, &plain) && plain != nullptr) {
    name = plain;
    XFree(plain);
  }
  return name;
}

bool IsTransient(Display* dpy, Window w) {
  Window owner = 0;
  return XGetTransientForHint(dpy, w, &owner) && owner != 0;
}

void PressReturn(Display* dpy, Window w) {
  XKeyEvent key{};
  key.display = dpy;
  key.window = w;
  key.root = DefaultRootWindow(dpy);
  key.same_screen = True;
  key.keycode = XKeysymToKeycode(dpy, XK_Return);
  key.time = CurrentTime;
  key.type = KeyPress;
  XSendEvent(dpy, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
  key.type = KeyRelease;
  XSendEvent(dpy, w, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&key));
  XFlush(dpy);
}

long PeakResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::strtol(line.c_str() + 6, nullptr, 10);
    }
  }
  return -1;
}

// Windows come and go while we look at them: a request about one that has just been
// destroyed fails, and that is no reason to stop watching.
int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: paintwatch [--name TITLE] [--settle MS] [--timeout MS] "
               "[--answer-dialogs] -- PROGRAM ARGS...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string title;
  double settle_ms = 500;
  double timeout_ms = 20000;
  bool answer_dialogs = false;
  int first_arg = argc;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--" && i + 1 < argc) {
      first_arg = i + 1;
      break;
    } else if (arg == "--name" && i + 1 < argc) {
      title = argv[++i];
    } else if (arg == "--settle" && i + 1 < argc) {
      settle_ms = std::atof(argv[++i]);
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeout_ms = std::atof(argv[++i]);
    } else if (arg == "--answer-dialogs") {
      answer_dialogs = true;
    } else {
      return Usage();
    }
  }
  if (first_arg >= argc) {
    return Usage();
  }

  Display* dpy = XOpenDisplay(nullptr);
  if (dpy == nullptr) {
    std::fprintf(stderr, "paintwatch: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreXError);
  int damage_event = 0, damage_error = 0;
  if (!XDamageQueryExtension(dpy, &damage_event, &damage_error)) {
    std::fprintf(stderr, "paintwatch: the X server has no DAMAGE extension\n");
    return 1;
  }
  Window root = DefaultRootWindow(dpy);
  XSelectInput(dpy, root, SubstructureNotifyMask);
  XSync(dpy, False);

  const Clock::time_point start = Clock::now();
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("paintwatch: fork");
    return 1;
  }
  if (pid == 0) {
    close(ConnectionNumber(dpy));
    execvp(argv[first_arg], argv + first_arg);
    std::perror("paintwatch: exec");
    _exit(127);
  }

  std::map<Window, Watched> windows;
  Window main_window = 0;
  double mapped = -1, first_paint = -1, last_main_paint = -1, dialog_paint = -1;
  int open_dialogs = 0;
  bool exited = false;
  const int fd = ConnectionNumber(dpy);

  auto consider_main = [&](Window w, Watched& info) {
    if (main_window != 0 || !info.mapped || info.dialog) {
      return;
    }
    if (title.empty() || WindowName(dpy, w) == title) {
      main_window = w;
    }
  };

  while (true) {
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      const double now = Since(start);
      if (ev.type == CreateNotify && ev.xcreatewindow.parent == root) {
        Watched& info = windows[ev.xcreatewindow.window];
        info.damage = XDamageCreate(dpy, ev.xcreatewindow.window, XDamageReportNonEmpty);
      } else if (ev.type == MapNotify && windows.count(ev.xmap.window) != 0) {
        Watched& info = windows[ev.xmap.window];
        info.mapped = true;
        info.dialog = IsTransient(dpy, ev.xmap.window);
        if (info.dialog) {
          ++open_dialogs;
        }
        consider_main(ev.xmap.window, info);
        if (ev.xmap.window == main_window && mapped < 0) {
          mapped = now;
        }
      } else if (ev.type == UnmapNotify && windows.count(ev.xunmap.window) != 0) {
        Watched& info = windows[ev.xunmap.window];
        if (info.mapped && info.dialog) {
          --open_dialogs;
        }
        info.mapped = false;
      } else if (ev.type == DestroyNotify) {
        windows.erase(ev.xdestroywindow.window);
      } else if (ev.type == damage_event + XDamageNotify) {
        auto* damage = reinterpret_cast<XDamageNotifyEvent*>(&ev);
        XDamageSubtract(dpy, damage->damage, None, None);
        auto it = windows.find(damage->drawable);
        if (it == windows.end() || !it->second.mapped) {
          continue;
        }
        Watched& info = it->second;
        consider_main(damage->drawable, info);
        if (damage->drawable == main_window) {
          if (first_paint < 0) {
            first_paint = now;
          }
          last_main_paint = now;
        } else if (info.dialog && !info.painted) {
          if (dialog_paint < 0) {
            dialog_paint = now;
          }
          if (answer_dialogs && !info.answered) {
            info.answered = true;
            PressReturn(dpy, damage->drawable);
          }
        }
        info.painted = true;
      }
    }

    const double now = Since(start);
    if (first_paint >= 0 && open_dialogs == 0 && now - last_main_paint >= settle_ms) {
      break;
    }
    if (now >= timeout_ms) {
      std::fprintf(stderr, "paintwatch: timed out (main window %s)\n",
                   first_paint < 0 ? "never painted" : "never settled");
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return 1;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      break;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval wait{0, 10000};
    select(fd + 1, &readable, nullptr, nullptr, &wait);
  }

  if (exited) {
    std::fprintf(stderr, "paintwatch: the program ended before its window settled\n");
    return 1;
  }
  const long peak_kb = PeakResidentKb(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  XCloseDisplay(dpy);
  std::printf("mapped=%.1f first_paint=%.1f settled=%.1f dialog=%.1f vmhwm_kb=%ld\n", mapped,
              first_paint, last_main_paint, dialog_paint, peak_kb);
  return 0;
}
