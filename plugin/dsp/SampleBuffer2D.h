#pragma once
// Helpers for blocks of samples held as rows of doubles (one row per channel)
// addressed through an array of row pointers.
//
// Threads: Alloc and Free allocate / free (configuration thread); the copy
// and clear helpers are allocation-free and may run on the audio thread.

#include <cstdint>

// channels rows of frames doubles each (not cleared); null for frames or
// channels below 1 or when memory is short (nothing is leaked then).
double** AllocSampleBuffer2D(int32_t frames, int32_t channels);

// Frees every non-null row, then the row array; null rows is allowed.
void FreeSampleBuffer2D(double** rows, int32_t channels);

// Copies frames doubles from source to destination + offset; nothing when a
// pointer is null, frames is below 1 or offset is negative.
void CopySampleRow(const double* source, double* destination, int32_t frames, int32_t offset);

// Zeroes frames doubles of each row (null rows skipped).
void ClearSampleBuffer2D(double** rows, int32_t frames, int32_t channels);

// Copies each channel's frames doubles to destination row + offset, skipping
// null rows.
void CopyBlockToSampleBuffer2D(const double* const* sources, double** destinations, int32_t frames,
                               int32_t channels, int32_t offset);
