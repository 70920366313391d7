// The desktop window (in a browser, the page's canvas): opening it, its events and the pointer, showing
// each frame's changed parts, screenshots. Its frames take the loop's step (Loop.h).
#include "omega/window/Window.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "omega/Engine.h"
#include "omega/Loop.h"
#include "omega/decode/Decode.h"
#include "omega/system/System.h"
#include "omega/trace/Trace.h"
#include "omega/window/Keys.h"
#include "omega/window/Present.h"

namespace omega {

namespace {

// The program's file name without folder and extension: the engine names its window and screenshots
// after the program that runs it.
std::string ProgramName() {
  // Cut by hand: a path of the system's own encoding would take Windows' UTF-8 for the code page's.
  std::string name = ProgramFile();
  if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos) name.erase(0, slash + 1);
  if (const auto dot = name.rfind('.'); dot != std::string::npos && dot != 0) name.erase(dot);
  return name.empty() ? "omega" : name;
}

// The window's title: the program's name with a capital.
std::string WindowTitle() {
  std::string title = ProgramName();
  title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
  return title;
}

// The next free <program>-NNNN.png in the working directory, created empty so that nothing else takes
// the name before the picture is written; "" when no name up to 9999 is free.
std::string ClaimScreenshotName() {
  const std::string prefix = ProgramName();
  for (int n = 1; n <= 9999; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, "-%04d", n);
    std::string name = prefix;
    name.append(number).append(".png");
    const NewFile made = CreateNewFile(name);
    if (made == NewFile::Created) return name;
    if (made == NewFile::Failed) return "";
  }
  return "";
}

// F12: the frame on screen as a PNG in the working directory, never over an existing file.
void TakeScreenshot() {
  const std::string name = ClaimScreenshotName();
  if (name.empty()) {
    std::fprintf(stderr, "OMEGA: no free screenshot name in the working directory\n");
    return;
  }
  std::error_code ec;
  const std::filesystem::path where = std::filesystem::absolute(name, ec);
  if (SaveFramePng(name)) {
    // As UTF-8: the folder's letters need not exist in Windows' ANSI code page.
    const std::u8string shown = where.u8string();
    std::printf("Screenshot saved to %s\n", ec ? name.c_str() : std::string(shown.begin(), shown.end()).c_str());
    std::fflush(stdout);
    OfferFile(name);
  } else {
    std::remove(name.c_str());
  }
}

struct Window {
  SDL_Window* Wnd = nullptr;
  Presenter Picture;  // the frame as the window's surface shows it
  ~Window() {
    if (Wnd != nullptr) SDL_DestroyWindow(Wnd);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
};

// The window's icon: icon.png beside the engine library, when there is one.
void SetWindowIcon(SDL_Window* window) {
  const std::string file = LibraryFile();
  if (file.empty()) return;
  const std::string icon = file.substr(0, file.find_last_of("/\\") + 1) + "icon.png";
  Image pixels;
  if (!DecodeIcon(icon, pixels)) return;
  SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(pixels.Px.data(), pixels.W, pixels.H, 32, pixels.W * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  if (picture == nullptr) return;
  SDL_SetWindowIcon(window, picture);
  SDL_FreeSurface(picture);
}

bool OpenWindow(Window& w) {
  // The window's own surface, not a renderer's texture behind it: the engine scales and shows the rows.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A display that refuses us for a moment is asked again: an X server resets when its last client
  // leaves (the game's own look at the screen's size, on a desktop where the game is the only client)
  // and refuses connections meanwhile. Without a display this is how much longer starting takes.
  const auto start = std::chrono::steady_clock::now();
  auto pause = std::chrono::milliseconds(10);
  for (;;) {
    const bool up = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    // Without a display SDL falls back to drivers that show nothing: the game would play unseen until
    // killed. Only a driver asked for by name (SDL_VIDEODRIVER) may be one of those.
    const char* driver = up ? SDL_GetCurrentVideoDriver() : nullptr;
    const bool unseen = !E().Settings.VideoDriverAsked && driver != nullptr &&
                        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                         std::strcmp(driver, "evdev") == 0);
    if (up && !unseen) break;
    const std::string why = up ? "" : SDL_GetError();
    if (up) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (std::chrono::steady_clock::now() - start + pause > std::chrono::milliseconds(1500)) {
      EngineError(up ? "no display: neither X11 nor Wayland could be reached (OMEGA_SCRIPT runs without one)"
                     : "no video: " + why);
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(200));
  }
  CatchDisplayLoss(&E().Loop.WindowLost, EndWithBrokenDisplay);
  const LoopState& e = E().Loop;
  const int x = e.PositionAsked ? e.WndX : static_cast<int>(SDL_WINDOWPOS_CENTERED);
  const int y = e.PositionAsked ? e.WndY : static_cast<int>(SDL_WINDOWPOS_CENTERED);
  // Shown once its first frame is drawn (WindowFrame): loading must not leave a window on the desktop
  // that shows what lies behind it.
  w.Wnd = SDL_CreateWindow(WindowTitle().c_str(), x, y, kScreenW, kScreenH,
                           (WindowResizable() ? SDL_WINDOW_RESIZABLE : 0) | FirstShowFlags());
  if (w.Wnd == nullptr) {
    EngineError(std::string("cannot create the window: ") + SDL_GetError());
    return false;
  }
  SetWindowIcon(w.Wnd);
  CatchSessionEnd(w.Wnd, EndWithSession);
  SDL_Surface* surface = SDL_GetWindowSurface(w.Wnd);
  if (surface == nullptr) {
    EngineError(std::string("cannot draw in the window: ") + SDL_GetError());
    return false;
  }
  w.Picture.Place(surface->w, surface->h, kScreenW, kScreenH);
  SDL_ShowCursor(SDL_DISABLE);  // the game draws its own cursor over the picture
  return true;
}

int MouseButton(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return kButtonLeft;
    case SDL_BUTTON_RIGHT: return kButtonRight;
    case SDL_BUTTON_MIDDLE: return kButtonMiddle;
    default: return 0;
  }
}

// The pointer at (x, y) of the picture (outside it over the bars of a scaled window): the game reads
// the position clamped to the picture; over the bars the desktop's cursor shows and the game's is left
// out of the frame (Input.h). False when the pointer is off the picture.
bool MovePointer(int x, int y) {
  InputState& input = E().Input;
  const bool inside = x >= 0 && x < kScreenW && y >= 0 && y < kScreenH;
  input.MouseX = std::clamp(x, 0, kScreenW - 1);
  input.MouseY = std::clamp(y, 0, kScreenH - 1);
  input.OffPicture = !inside;
  if ((SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE) == inside) SDL_ShowCursor(inside ? SDL_DISABLE : SDL_ENABLE);
  return inside;
}

// A pointer position of the window in picture pixels, as the picture is placed in it.
void ToPicture(const Window& w, int& x, int& y) {
  int windowW = 0, windowH = 0;
  SDL_GetWindowSize(w.Wnd, &windowW, &windowH);
  const PictureBox& box = w.Picture.Box();
  const float dpiX = box.OutW > 0 && windowW > 0 ? static_cast<float>(windowW) / static_cast<float>(box.OutW) : 1.0f;
  const float dpiY = box.OutH > 0 && windowH > 0 ? static_cast<float>(windowH) / static_cast<float>(box.OutH) : 1.0f;
  WindowToPicture(box, dpiX, dpiY, x, y);
}

// The parts of the frame that changed (or none) go to the window's surface and only they are shown
// again, unless the surface is new or the window asks for all of it (`all`: uncovered, or the first).
void ShowFrame(Window& w, bool changed, bool all) {
  SDL_Surface* surface = SDL_GetWindowSurface(w.Wnd);
  const FrameRecorder& r = E().Recorder;
  const Image& frame = r.Frame;
  // A new surface is drawn whole by the presenter; the one shown already holds the rest of the frame.
  static const ChangeSet kNone;
  const Shown shown = w.Picture.Draw(surface, frame.Px.data(), frame.W, frame.H, changed ? r.Changes() : kNone, all);
  if (surface == nullptr) return;
  if (shown.Whole)
    SDL_UpdateWindowSurface(w.Wnd);
  else if (!shown.Rects.empty())
    SDL_UpdateWindowSurfaceRects(w.Wnd, shown.Rects.data(), static_cast<int>(shown.Rects.size()));
}

struct WindowState {
  bool Minimised = false;
  bool ScanDown[SDL_NUM_SCANCODES] = {};
};

void HandleEvent(const SDL_Event& ev, Window& w, WindowState& state) {
  LoopState& e = E().Loop;
  bool* scanDown = state.ScanDown;
  switch (ev.type) {
    case SDL_QUIT: e.QuitAsked = true; break;
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_CLOSE: e.QuitAsked = true; break;
        case SDL_WINDOWEVENT_MINIMIZED: state.Minimised = true; break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: state.Minimised = false; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
          // The surface is made again at the new size: the picture and its bars are drawn anew, and
          // the pointer reads by the new placing from now on.
          int pixelsW = 0, pixelsH = 0;
          SDL_GetWindowSizeInPixels(w.Wnd, &pixelsW, &pixelsH);
          w.Picture.Place(pixelsW, pixelsH, kScreenW, kScreenH);
          w.Picture.Forget();
          break;
        }
        default: break;
      }
      break;
    case SDL_MOUSEMOTION: {
      int x = ev.motion.x, y = ev.motion.y;
      ToPicture(w, x, y);
      MovePointer(x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      int x = ev.button.x, y = ev.button.y;
      ToPicture(w, x, y);
      // A click on the bars round a scaled picture is no click on the picture's edge.
      if (!MovePointer(x, y)) break;
      if (const int b = MouseButton(ev.button.button); b != 0) PressInput(E().Input, 256 + b);
      break;
    }
    case SDL_KEYDOWN: {
      const SDL_Scancode sc = ev.key.keysym.scancode;
      if ((sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) && (ev.key.keysym.mod & KMOD_ALT) != 0) {
        if (ev.key.repeat == 0) {
          const bool full = (SDL_GetWindowFlags(w.Wnd) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
          SDL_SetWindowFullscreen(w.Wnd, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        break;
      }
      // F12 belongs to the engine: a screenshot, never a key of the game's.
      if (sc == SDL_SCANCODE_F12) {
        if (ev.key.repeat == 0) TakeScreenshot();
        break;
      }
      if (sc < 0 || sc >= SDL_NUM_SCANCODES) break;
      // A held key's repeats are presses only for the keys that type or erase text.
      if (ev.key.repeat != 0) {
        if (scanDown[sc] && RepeatsAsPress(VirtualKeyOf(sc))) PressInput(E().Input, VirtualKeyOf(sc));
        break;
      }
      if (scanDown[sc]) break;
      if (const int vk = VirtualKeyOf(sc); vk != 0) {
        scanDown[sc] = true;
        KeyDownEvent(E().Input, vk);
      }
      break;
    }
    case SDL_KEYUP: {
      const SDL_Scancode sc = ev.key.keysym.scancode;
      if (sc < 0 || sc >= SDL_NUM_SCANCODES || !scanDown[sc]) break;
      scanDown[sc] = false;
      KeyUpEvent(E().Input, VirtualKeyOf(sc));
      break;
    }
    default: break;
  }
}

// A windowed run: the window and the clock that paces its ticks. On the heap, since a browser's loop
// outlives the call that starts it.
struct WindowRun {
  Window W;
  WindowState State;
  double Start = 0;  // tick t is due at Start + t × period
  int64_t Done = 0;
  bool Stale = true;  // the window needs the frame shown even if it did not change
  bool Shown = false;  // the window is on the desktop: its first frame has been shown
  double LastShown = 0;
  double LastStep = 0;  // when the last step ended: the time minimised since then is taken out of the clock
};

double NowMs() {
  static const double kFrequency = static_cast<double>(SDL_GetPerformanceFrequency());
  return static_cast<double>(SDL_GetPerformanceCounter()) * 1000.0 / kFrequency;
}

constexpr int64_t kMaxBehind = 5;  // after a longer stall the backlog is dropped, not replayed

// One frame of a windowed run: the events, the ticks due, the frame shown where it changed.
FrameStep WindowFrame(void* data) {
  WindowRun& run = *static_cast<WindowRun*>(data);
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) {
    if (ev.type == SDL_WINDOWEVENT) run.Stale = true;  // uncovered, resized, restored: show it again
    HandleEvent(ev, run.W, run.State);
  }
  if (QuitNow()) return FrameStep::Stop;
  if (run.State.Minimised) {
    // No ticks while minimised: the time spent so is taken out of the clock, so nothing is owed when
    // the window comes back.
    const double now = NowMs();
    run.Start += now - run.LastStep;
    run.LastStep = now;
    return FrameStep::Idle;
  }
  const int32_t period = TickPeriod();
  const auto due = static_cast<int64_t>((NowMs() - run.Start) / period);
  if (due - run.Done > kMaxBehind) {
    run.Start += static_cast<double>(due - run.Done - kMaxBehind) * period;
    run.Done = due - kMaxBehind;
  }
  const int64_t before = E().Loop.Tick;
  // A frame the same as the one on screen is neither uploaded nor shown again.
  const bool changed = Step(due - run.Done, [] {}, false);
  run.Done += E().Loop.Tick - before;
  if (QuitNow()) return FrameStep::Stop;
  // Shown again at least once a second even when still: that is also how a window destroyed from
  // outside comes to light (drawing on it fails).
  if (NowMs() - run.LastShown > 1000) run.Stale = true;
  if (changed || run.Stale) {
    // Only the parts the frame's changed calls cover are drawn on the window and shown.
    const FrameRecorder& r = E().Recorder;
    if (run.Shown) {
      ShowFrame(run.W, changed, run.Stale);
    } else {
      ShowWithFirstFrame(
          run.W.Wnd, r.Frame.Px.data(), r.Frame.W, r.Frame.H,
          [](void* w) { ShowFrame(*static_cast<Window*>(w), true, true); }, &run.W);
      run.Shown = true;
    }
    run.Stale = false;
    run.LastShown = NowMs();
  }
  run.LastStep = NowMs();
  RecordFrame(static_cast<int64_t>(run.LastStep));
  // A windowed run's trace is read while the game runs (by people and by the window tests).
  E().Trace.Flush();
  return FrameStep::Go;
}

// After the last frame: the quit callback, then the window closed. A lost window is left as it is: closing
// it would only bring more errors from the display, and the last of them could arrive after SDL has put
// Xlib's own handler back, which ends the process before it has said why.
void CloseWindowed(WindowRun* run) {
  QuitOnce();
  if (E().Loop.WindowLost != 0) {
    E().Trace.Flush();
    ReportLostWindow();
    std::exit(kLostWindowStatus);
  }
  delete run;
}

// A run whose frames the host ran ends here, the program with it: there is no caller to return to.
void EndHostedRun(void* data) {
  CloseWindowed(static_cast<WindowRun*>(data));
  E().Loop.InLoop = false;
  EndRun(true);
  std::exit(0);
}

}  // namespace

bool RunWindowed() {
  auto owned = std::make_unique<WindowRun>();
  if (!OpenWindow(owned->W)) return false;
  LoopState& e = E().Loop;
  if (e.LoadProc != nullptr) e.LoadProc();
  e.Loaded = true;
  WindowRun* run = owned.release();
  run->Start = run->LastStep = NowMs();
  // A browser page runs the frames from its animation frames: the call does not come back.
  if (HandFramesToHost(WindowFrame, EndHostedRun, run)) return true;
  const double frameMs = 1000.0 / kFrameCapFps;
  double lastFrame = 0;
  for (FrameStep step; (step = WindowFrame(run)) != FrameStep::Stop;) {
    if (step == FrameStep::Idle) {
      SDL_WaitEventTimeout(nullptr, 100);
      continue;
    }
    const double wait = lastFrame + frameMs - NowMs();
    if (wait > 1) SDL_Delay(static_cast<uint32_t>(wait));
    lastFrame = NowMs();
  }
  CloseWindowed(run);
  return true;
}


}  // namespace omega
