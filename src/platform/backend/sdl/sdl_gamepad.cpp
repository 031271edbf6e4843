#include "platform/backend/sdl/sdl_gamepad.h"

#include <map>

#include "platform/backend/sdl/sdl_backend.h"

namespace {

bool g_started = false;
std::map<SDL_JoystickID, SDL_GameController*> g_open;  // by instance id
SDL_Joystick* g_testPad = nullptr;  // the tests' virtual controller, held open to press it
int g_testIndex = -1;

int keyForButton(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return VK_RETURN;
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_START: return VK_ESCAPE;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return VK_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return VK_DOWN;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return VK_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return VK_RIGHT;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return VK_PRIOR;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return VK_NEXT;
    default: return 0;
  }
}

}  // namespace

bool SdlGamepadStart() {
  if (g_started) return true;
  g_started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  return g_started;
}

void SdlGamepadStop() {
  SdlDetachTestGamepad();
  for (auto& [id, pad] : g_open) SDL_GameControllerClose(pad);
  g_open.clear();
  if (g_started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  g_started = false;
}

bool SdlGamepadEvent(const SDL_Event& e, BackendEvent& ev) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      // cdevice.which is the device index here.
      if (!g_started) return false;
      SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which);
      if (!pad) return false;
      SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
      if (g_open.count(id)) {
        SDL_GameControllerClose(pad);  // already open: drop the extra reference
        return false;
      }
      g_open[id] = pad;
      return false;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      // cdevice.which is the instance id here.
      auto it = g_open.find(e.cdevice.which);
      if (it != g_open.end()) {
        SDL_GameControllerClose(it->second);
        g_open.erase(it);
      }
      return false;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const int vk = keyForButton(e.cbutton.button);
      if (vk == 0) return false;
      ev = BackendEvent{};
      ev.kind = e.type == SDL_CONTROLLERBUTTONDOWN ? BackendEventKind::kKeyDown
                                                   : BackendEventKind::kKeyUp;
      ev.key = vk;
      return true;
    }
    default:
      return false;
  }
}

// ---- the tests' virtual controller ---------------------------------------------------------
int SdlAttachTestGamepad() {
  if (!g_started) return -1;
  g_testIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
  if (g_testIndex < 0) return -1;
  g_testPad = SDL_JoystickOpen(g_testIndex);
  return g_testPad ? g_testIndex : -1;
}

void SdlTestGamepadButton(int button, bool down) {
  if (!g_testPad) return;
  SDL_JoystickSetVirtualButton(g_testPad, button, down ? SDL_PRESSED : SDL_RELEASED);
  SDL_JoystickUpdate();
}

void SdlDetachTestGamepad() {
  if (!g_testPad) return;
  SDL_JoystickClose(g_testPad);
  g_testPad = nullptr;
  SDL_JoystickDetachVirtual(g_testIndex);
  g_testIndex = -1;
}

int SdlOpenGamepads() { return int(g_open.size()); }
