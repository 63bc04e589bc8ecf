// Our own small audio library: one output device (SDL2), streams decoded from
// MP3 files (libmpg123), play position and spectrum of a stream (kissfft).
// Positions are bytes of the stream's decoded data: every track decodes to
// the music's one format (audio/music_format.h) whatever its own, so a byte
// count is the same time in any of them. Call from one thread; the device
// callback runs on SDL's own.
#pragma once
#include <cstdint>

#include "audio/fft_magnitudes.h"

constexpr int DEVICE_BUFFER_FRAMES = 1024;  // frames per device callback, the buffer ahead of the listener

// Opens the default output device in the music's format. False when there
// is none; streams then play on a silent real-time clock.
bool audioInit();

// A stream of the whole MP3 file at `path`, its exact length known now; a
// thread of its own decodes it a few seconds ahead of playback. 0 when the
// file is missing, empty, not MPEG audio or too long. Creating a stream
// replaces the previous one, whose handle then means "no stream".
uint32_t audioStreamCreateFile(const char* path);

// Plays from `bytes` (down to a whole frame, at most the length): the output
// and the position both begin there. Handle 0 (or any handle that is no
// stream) still starts a silent real-time clock in the music's format, from
// `bytes` as well, with an all-zero spectrum, and returns false.
bool audioChannelPlayFrom(uint32_t handle, uint64_t bytes);
// audioChannelPlayFrom(handle, 0).
bool audioChannelPlay(uint32_t handle);
// Holds the position where the listener is now (silence follows what the
// device already holds, a few milliseconds) and returns it in bytes; on a
// silent clock as well. audioChannelPlayFrom that position resumes, and
// audioChannelHoldAt moves a held position without playing.
uint64_t audioChannelPause(uint32_t handle);
// Puts a held channel at `bytes` (as audioChannelPlayFrom rounds it), still
// held.
void audioChannelHoldAt(uint32_t handle, uint64_t bytes);
// Silence on the device while muted; the position keeps advancing. False
// when there is no device to mute.
bool audioSetMuted(bool muted);

// Moves the position to `bytes` (down to a whole frame, at most the length).
// False for no stream or a position past the end. Outside what is decoded
// around the play position, it waits for a seek and a chunk of decoding
// (about a millisecond); so may audioChannelPlayFrom, when its start is not
// held.
bool audioChannelSetPosition(uint32_t handle, uint64_t bytes);

// Bytes of decoded data that have reached the listener: never less than the
// previous answer for the same play, never more than was handed to the device;
// keeps advancing in real time over silence after the end of the track, and
// from where it stands on the silent clock once SDL reports the device lost.
uint64_t audioChannelGetPosition(uint32_t handle);

// Bytes handed to the device so far: the position plus what is still buffered
// ahead of the listener. On a silent clock, the position last read. For
// measuring the lag of the reported position.
uint64_t audioChannelGetHandedBytes(uint32_t handle);

// `bytes` of the stream's data in seconds.
double audioChannelBytes2Seconds(uint32_t handle, uint64_t bytes);

// The spectrum of the FFT_SIZE frames starting `offsetBytes` after the
// position last read by audioChannelGetPosition (before it when negative),
// down to a whole frame and never before the first. Allocates nothing and
// waits on neither the device nor the decoder: frames not decoded yet (play
// is decoded about three seconds ahead), or dropped (a second behind play is
// kept, less what the device holds), count as silence.
void audioChannelGetFFT1024(uint32_t handle, float out[SPECTRUM_BINS], int64_t offsetBytes = 0);

// Stops output and releases the device, the stream and the FFT plan; safe at
// any time, also when nothing was started.
void audioFree();
