// Pictures on the portable surfaces: blended by the shared raster code.
#include "platform/raster/pictures.h"

#include "platform/platform.h"
#include "platform/portable/layer_hooks.h"
#include "platform/portable/objects.h"

namespace platform {

void draw_picture(DrawingContext context, int x, int y, const Picture& picture) {
  if (!context || !context->bitmap) return;
  BitmapObject& bitmap = *context->bitmap;
  raster::blend_picture(platform::surface_of(bitmap), x, y, picture.pixels.data(), picture.width,
                        picture.height);
  if (context->window) portable::layer_surface_changed(context->window);
}

}  // namespace platform
