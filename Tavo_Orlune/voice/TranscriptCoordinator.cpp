#include "voice/TranscriptCoordinator.h"

TranscriptCoordinator::~TranscriptCoordinator() = default;
