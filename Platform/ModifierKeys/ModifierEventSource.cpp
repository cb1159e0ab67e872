#include "Platform/ModifierKeys/ModifierEventSource.h"

ModifierEventSource::~ModifierEventSource() = default;
