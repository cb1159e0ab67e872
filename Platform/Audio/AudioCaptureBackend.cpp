#include "Platform/Audio/AudioCaptureBackend.h"

AudioCaptureBackend::~AudioCaptureBackend() = default;
