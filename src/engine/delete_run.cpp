#include "delete_run.h"
