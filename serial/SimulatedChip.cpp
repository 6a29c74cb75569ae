#include "serial/SimulatedChip.h"
