#include "Dispatch.h"
