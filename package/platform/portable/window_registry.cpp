#include "platform/portable/window_registry.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "platform/portable/input.h"
#include "platform/portable/keyboard.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/message_queue.h"

namespace portable {
namespace {

struct RegisteredClass {
  std::string name;
  platform::WindowProc procedure;
  uint32_t background;
};

struct RegistryState {
  std::vector<RegisteredClass> classes;
  std::vector<std::unique_ptr<platform::WindowObject>> owned;
  std::vector<platform::Window> windows;
  platform::Window active = nullptr;
};

RegistryState registry;

bool is_live(platform::Window window) {
  return window && !window->destroyed &&
         std::find(registry.windows.begin(), registry.windows.end(), window) !=
             registry.windows.end();
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The popup of the menu bar whose label has the character after an '&'
// ("&Run" for r or R, "&&" being a plain '&'); a window without a menu bar
// has none.
std::optional<size_t> popup_of_mnemonic(platform::Window window, char character) {
  if (!window->menu) return std::nullopt;
  const auto& items = window->menu->items;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i].popup) continue;
    const std::string& label = items[i].label;
    for (size_t at = label.find('&'); at != std::string::npos && at + 1 < label.size();
         at = label.find('&', at + 2)) {
      if (label[at + 1] != '&' && lower(label[at + 1]) == lower(character)) return i;
    }
  }
  return std::nullopt;
}

}  // namespace

const std::vector<platform::Window>& all_windows() {
  return registry.windows;
}

platform::Window main_window() {
  return registry.windows.empty() ? nullptr : registry.windows.front();
}

platform::Size client_size(uint32_t style, int width, int height, bool has_menu) {
  constexpr int kFrame = 3;
  constexpr int kCaption = 20;
  constexpr int kMenuBar = 13;
  const int frame = (style & WS_CAPTION) ? kFrame : 0;
  const int top =
      frame + ((style & WS_CAPTION) == WS_CAPTION ? kCaption : 0) + (has_menu ? kMenuBar : 0);
  return {std::max(width - 2 * frame, 0), std::max(height - top - frame, 0)};
}

platform::Window active_window() {
  return is_live(registry.active) ? registry.active : nullptr;
}

void set_active_window(platform::Window window) {
  registry.active = window;
}

void destroy_window(platform::Window window) {
  if (!is_live(window)) return;
  window->procedure(window, WM_DESTROY, 0, 0);
  window->destroyed = true;
  window->visible = false;
  queue_forget_window(window);
  layer_window_changed(window);
}

void menus_reset();
void surfaces_reset();
void translate_reset();
void drawing_reset();

void reset_portable_state() {
  registry = RegistryState{};
  menus_reset();
  surfaces_reset();
  translate_reset();
  drawing_reset();
  queue_reset();
  reset_input_state();
}

}  // namespace portable

namespace platform {

void register_window_class(const WindowClass& window_class) {
  if (!window_class.class_name || !window_class.procedure) return;
  std::erase_if(portable::registry.classes, [&](const portable::RegisteredClass& c) {
    return c.name == window_class.class_name;
  });
  portable::registry.classes.push_back(
      {window_class.class_name, window_class.procedure, window_class.background});
}

Window create_window(const char* class_name, const char* title, uint32_t style, int x, int y,
                     int width, int height) {
  auto& classes = portable::registry.classes;
  auto found = std::find_if(classes.begin(), classes.end(),
                            [&](const auto& c) { return class_name && c.name == class_name; });
  if (found == classes.end()) return nullptr;

  auto owned = std::make_unique<WindowObject>();
  Window window = owned.get();
  window->class_name = found->name;
  window->title = title ? title : "";
  window->procedure = found->procedure;
  window->background = found->background;
  window->style = style;
  window->x = x;
  window->y = y;
  window->width = std::max(width, 0);
  window->height = std::max(height, 0);
  window->client = portable::client_size(style, window->width, window->height, false);
  window->context.window = window;
  window->context.bitmap = &window->surface;
  portable::registry.owned.push_back(std::move(owned));
  portable::registry.windows.push_back(window);

  window->procedure(window, WM_CREATE, 0, 0);
  // The menu may have been attached while the window was being created.
  window->client =
      portable::client_size(style, window->width, window->height, window->menu != nullptr);
  std::vector<uint32_t>& pixels = settled_pixels(window->surface);
  window->surface.width = window->client.width;
  window->surface.height = window->client.height;
  pixels.assign(
      static_cast<size_t>(window->client.width) * static_cast<size_t>(window->client.height),
      0x00FFFFFFu);
  window->procedure(window, WM_SIZE, 0, make_lparam(window->client.width, window->client.height));
  portable::layer_window_changed(window);
  return window;
}

}  // namespace platform

namespace portable {

void resize_client(platform::Window window, int width, int height) {
  if (!is_live(window)) return;
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == window->client.width && height == window->client.height) return;
  platform::BitmapObject resized{
      width,
      height,
      std::vector<uint32_t>(static_cast<size_t>(width) * height, 0x00FFFFFFu),
      {},
      {}};
  const platform::BitmapObject& old = window->surface;
  const std::vector<uint32_t>& old_pixels = settled_pixels(old);
  for (int row = 0; row < std::min(height, old.height); ++row) {
    std::copy_n(old_pixels.begin() + static_cast<ptrdiff_t>(row) * old.width,
                std::min(width, old.width),
                resized.unsettled_pixels.begin() + static_cast<ptrdiff_t>(row) * width);
  }
  window->surface = std::move(resized);
  layer_surface_rewritten(window);
  window->client = {width, height};
  window->procedure(window, WM_SIZE, 0, platform::make_lparam(width, height));
  queue_invalidate(window);
}

}  // namespace portable

namespace platform {

void show_window(Window window, int show_mode) {
  if (!portable::is_live(window)) return;
  window->visible = show_mode != SW_HIDE;
  // Modes 4, 7 and 8 show a window without activating it.
  if (window->visible && show_mode != 4 && show_mode != 7 && show_mode != 8) {
    portable::registry.active = window;
  }
  if (window->visible) portable::queue_invalidate(window);
  portable::layer_window_changed(window);
}

intptr_t wheel_client_position(Window, intptr_t lparam) {
  return lparam;
}

Rect client_rect(Window window) {
  if (!portable::is_live(window)) return {};
  return {0, 0, window->client.width, window->client.height};
}

intptr_t dispatch_message(const Message& message) {
  if (!portable::is_live(message.window)) return 0;
  return message.window->procedure(message.window, message.number, message.wparam, message.lparam);
}

intptr_t default_window_proc(Window window, unsigned message, uintptr_t wparam, intptr_t) {
  switch (message) {
    case WM_CLOSE:
      portable::destroy_window(window);
      return 0;
    case WM_SYSCHAR:
      // Alt and a letter: the menu bar's popup with that mnemonic opens; a
      // letter without one does nothing.
      if (!portable::is_live(window)) return 0;
      if (auto popup = portable::popup_of_mnemonic(window, static_cast<char>(wparam))) {
        portable::layer_open_menu(window, *popup);
      }
      return 0;
    case WM_SYSKEYUP:
      // F10 opens the menu bar's first popup.
      if (wparam == VK_F10 && portable::is_live(window) && window->menu &&
          !window->menu->items.empty() && window->menu->items[0].popup) {
        portable::layer_open_menu(window, 0);
      }
      return 0;
    case WM_PAINT:
      portable::queue_validate(window);
      return 0;
    default:
      return 0;
  }
}

void post_message(Window window, unsigned number, uintptr_t wparam, intptr_t lparam) {
  if (!portable::is_live(window)) return;
  portable::queue_post({window, number, wparam, lparam});
}

void post_quit_message(int exit_code) {
  portable::queue_post_quit(exit_code);
}

void start_timer(Window window, unsigned id, unsigned period_ms) {
  if (!portable::is_live(window)) return;
  portable::queue_start_timer(window, id, period_ms, portable::layer_now_ms());
}

void stop_timer(Window window, unsigned id) {
  portable::queue_stop_timer(window, id);
}

DrawingContext begin_paint(Window window) {
  if (!portable::is_live(window)) return nullptr;
  window->painting = true;
  // What was invalid is erased with the class background first.
  if (portable::queue_validate(window)) {
    std::vector<uint32_t>& pixels = settled_pixels(window->surface);
    std::fill(pixels.begin(), pixels.end(), pixel_of(window->background));
    if (window->surface.written.enabled && window->surface.height > 0) {
      raster::note_filled(&window->surface.written, 0, window->surface.height - 1, 0,
                          window->surface.width - 1, pixel_of(window->background));
    }
    portable::layer_surface_rewritten(window);
  }
  portable::reset_context_state(window->context);
  return &window->context;
}

void end_paint(Window window, DrawingContext) {
  if (portable::is_live(window)) window->painting = false;
}

}  // namespace platform
