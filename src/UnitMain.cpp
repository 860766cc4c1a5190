#include "UnitMain.h"
