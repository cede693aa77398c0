#include "Help.h"

Help::Help() = default;
