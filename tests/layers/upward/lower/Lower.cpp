#include "lower/Lower.h"
#include "upper/Upper.h"
