#include "AudioRecorder.h"

AudioRecorder::~AudioRecorder() = default;
