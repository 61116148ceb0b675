#include "target_settings.h"
