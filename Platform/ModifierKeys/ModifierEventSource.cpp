#include "ModifierEventSource.h"

ModifierEventSource::~ModifierEventSource() = default;
