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
  Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(dpy, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
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
  double settleMs = 500;
  double timeoutMs = 20000;
  bool answerDialogs = false;
  int firstArg = argc;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--" && i + 1 < argc) {
      firstArg = i + 1;
      break;
    } else if (arg == "--name" && i + 1 < argc) {
      title = argv[++i];
    } else if (arg == "--settle" && i + 1 < argc) {
      settleMs = std::atof(argv[++i]);
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeoutMs = std::atof(argv[++i]);
    } else if (arg == "--answer-dialogs") {
      answerDialogs = true;
    } else {
      return Usage();
    }
  }
  if (firstArg >= argc) {
    return Usage();
  }

  Display* dpy = XOpenDisplay(nullptr);
  if (dpy == nullptr) {
    std::fprintf(stderr, "paintwatch: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreXError);
  int damageEvent = 0, damageError = 0;
  if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) {
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
    execvp(argv[firstArg], argv + firstArg);
    std::perror("paintwatch: exec");
    _exit(127);
  }

  std::map<Window, Watched> windows;
  Window mainWindow = 0;
  double mapped = -1, firstPaint = -1, lastMainPaint = -1, dialogPaint = -1;
  int openDialogs = 0;
  bool exited = false;
  const int fd = ConnectionNumber(dpy);

  auto considerMain = [&](Window w, Watched& info) {
    if (mainWindow != 0 || !info.mapped || info.dialog) {
      return;
    }
    if (title.empty() || WindowName(dpy, w) == title) {
      mainWindow = w;
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
          ++openDialogs;
        }
        considerMain(ev.xmap.window, info);
        if (ev.xmap.window == mainWindow && mapped < 0) {
          mapped = now;
        }
      } else if (ev.type == UnmapNotify && windows.count(ev.xunmap.window) != 0) {
        Watched& info = windows[ev.xunmap.window];
        if (info.mapped && info.dialog) {
          --openDialogs;
        }
        info.mapped = false;
      } else if (ev.type == DestroyNotify) {
        windows.erase(ev.xdestroywindow.window);
      } else if (ev.type == damageEvent + XDamageNotify) {
        auto* damage = reinterpret_cast<XDamageNotifyEvent*>(&ev);
        XDamageSubtract(dpy, damage->damage, None, None);
        auto it = windows.find(damage->drawable);
        if (it == windows.end() || !it->second.mapped) {
          continue;
        }
        Watched& info = it->second;
        considerMain(damage->drawable, info);
        if (damage->drawable == mainWindow) {
          if (firstPaint < 0) {
            firstPaint = now;
          }
          lastMainPaint = now;
        } else if (info.dialog && !info.painted) {
          if (dialogPaint < 0) {
            dialogPaint = now;
          }
          if (answerDialogs && !info.answered) {
            info.answered = true;
            PressReturn(dpy, damage->drawable);
          }
        }
        info.painted = true;
      }
    }

    const double now = Since(start);
    if (firstPaint >= 0 && openDialogs == 0 && now - lastMainPaint >= settleMs) {
      break;
    }
    if (now >= timeoutMs) {
      std::fprintf(stderr, "paintwatch: timed out (main window %s)\n",
                   firstPaint < 0 ? "never painted" : "never settled");
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
  const long peakKb = PeakResidentKb(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  XCloseDisplay(dpy);
  std::printf("mapped=%.1f first_paint=%.1f settled=%.1f dialog=%.1f vmhwm_kb=%ld\n", mapped,
              firstPaint, lastMainPaint, dialogPaint, peakKb);
  return 0;
}
