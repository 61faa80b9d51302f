// What the portable layers' dialogs share: item texts and ending.
#include <algorithm>
#include <cstring>

#include "platform/portable/objects.h"

namespace platform {

int dialog_item_text(Dialog dialog, int item_id, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!dialog) return 0;
  auto found = dialog->texts.find(item_id);
  if (found == dialog->texts.end()) return 0;
  const size_t count = std::min(found->second.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, found->second.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

void end_dialog(Dialog dialog, intptr_t result) {
  if (!dialog) return;
  dialog->ended = true;
  dialog->result = result;
}

}  // namespace platform
