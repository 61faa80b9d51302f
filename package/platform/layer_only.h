// Included by every header that belongs to the platform layers rather than
// to the whole package. The package core is compiled with ZIVRO_PACKAGE_CORE
// and reaches the platform through platform/platform.h alone.
#pragma once

#ifdef ZIVRO_PACKAGE_CORE
#error "layer-private header in the package core, which uses platform/platform.h only"
#endif
