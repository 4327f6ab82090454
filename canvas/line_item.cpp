#include "canvas/gcanvas.h"
GcanvasItemType gcanvasLineType = {"line", sizeof(GcanvasItem)};
