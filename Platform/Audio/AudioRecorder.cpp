#include "Platform/Audio/AudioRecorder.h"

AudioRecorder::~AudioRecorder() = default;
