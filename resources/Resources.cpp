// The pictures are compiled into this library (see CMakeLists.txt); this file gives the
// library an object of its own.
#include "Resources.h"
