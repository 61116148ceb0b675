#include "line_filter.h"
