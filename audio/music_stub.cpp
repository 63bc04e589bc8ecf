// Placeholder until the audio layer lands: no sound, signals stay 0.
#include "audio/music.h"

uint32_t musicStream = 0;
float musicBytePos = 0;
float spinPhase = 0;
float musicSeconds = 0;
float fftBins[FFT_BIN_COUNT] = {};

void startMusic() {}
void refreshSyncSignals() {}
void stopMusic() {}
