#pragma once

namespace tolvin {
// The windows were laid out for an 8-point MS Sans Serif; Liberation Sans has nearly its metrics.
void applyAppearance();
}
