#pragma once

// The angle tables live with the drawing layer, the lowest that uses them, so
// the rotated drawing and the car read the one table.
#include "gfx/angle_tables.h"
