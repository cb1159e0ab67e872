#include "AudioCaptureBackend.h"

AudioCaptureBackend::~AudioCaptureBackend() = default;
