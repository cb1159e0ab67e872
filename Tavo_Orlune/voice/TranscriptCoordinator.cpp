#include "TranscriptCoordinator.h"

TranscriptCoordinator::~TranscriptCoordinator() = default;
