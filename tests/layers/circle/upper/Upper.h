#pragma once
#include "lower/Lower.h"
