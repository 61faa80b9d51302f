// The menu model: bars, popups, items with ids, labels, grayed items and check
// marks set by command id.
#include <memory>
#include <vector>

#include "platform/portable/layer_hooks.h"
#include "platform/portable/objects.h"
#include "platform/portable/window_registry.h"

namespace platform {
namespace {

std::vector<std::unique_ptr<MenuObject>> menus;

Menu make_menu(bool is_bar) {
  menus.push_back(std::make_unique<MenuObject>());
  menus.back()->is_bar = is_bar;
  return menus.back().get();
}

void notify_owner(Menu menu) {
  for (Window window : portable::all_windows()) {
    if (!window->menu) continue;
    bool owns = window->menu == menu;
    for (const MenuItem& item : window->menu->items) owns = owns || item.popup == menu;
    if (owns) portable::layer_menu_changed(window);
  }
}

}  // namespace

Menu create_menu_bar() {
  return make_menu(true);
}

Menu create_popup_menu() {
  return make_menu(false);
}

void append_menu_item(Menu menu, unsigned flags, unsigned id, const char* label) {
  if (!menu) return;
  MenuItem item;
  item.flags = flags;
  if (!(flags & MF_SEPARATOR)) {
    item.id = id;
    item.label = label ? label : "";
  }
  menu->items.push_back(item);
  notify_owner(menu);
}

void append_popup_menu(Menu bar, Menu popup, const char* label) {
  if (!bar || !popup) return;
  MenuItem item;
  item.flags = MF_POPUP;
  item.label = label ? label : "";
  item.popup = popup;
  bar->items.push_back(item);
  notify_owner(bar);
}

void attach_menu(Window window, Menu bar) {
  if (!window) return;
  window->menu = bar;
  portable::layer_menu_changed(window);
}

void redraw_menu_bar(Window window) {
  if (window) portable::layer_menu_changed(window);
}

void check_menu_item(Menu menu, unsigned id, bool checked) {
  if (!menu) return;
  for (MenuItem& item : menu->items) {
    if (item.popup || (item.flags & MF_SEPARATOR) || item.id != id) continue;
    item.flags = checked ? (item.flags | MF_CHECKED) : (item.flags & ~MF_CHECKED);
    notify_owner(menu);
    return;  // Windows changes the first item with that id
  }
}

}  // namespace platform

namespace portable {
void menus_reset() {
  platform::menus.clear();
}
}  // namespace portable
