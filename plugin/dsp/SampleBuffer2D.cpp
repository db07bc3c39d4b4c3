#include "plugin/dsp/SampleBuffer2D.h"

#include <cstring>
#include <new>

double** AllocSampleBuffer2D(int32_t frames, int32_t channels)
{
  if (frames < 1 || channels < 1)
    return nullptr;
  double** rows = new (std::nothrow) double*[static_cast<size_t>(channels)];
  if (!rows)
    return nullptr;
  for (int32_t c = 0; c < channels; ++c)
  {
    rows[c] = new (std::nothrow) double[static_cast<size_t>(frames)];
    if (!rows[c])
    {
      FreeSampleBuffer2D(rows, c);
      return nullptr;
    }
  }
  return rows;
}

void FreeSampleBuffer2D(double** rows, int32_t channels)
{
  if (!rows)
    return;
  for (int32_t c = 0; c < channels; ++c)
    delete[] rows[c];
  delete[] rows;
}

void CopySampleRow(const double* source, double* destination, int32_t frames, int32_t offset)
{
  // A negative offset would write in front of the row.
  if (!source || !destination || frames < 1 || offset < 0)
    return;
  std::memmove(destination + offset, source, static_cast<size_t>(frames) * sizeof(double));
}

void ClearSampleBuffer2D(double** rows, int32_t frames, int32_t channels)
{
  if (!rows || frames < 1)
    return;
  for (int32_t c = 0; c < channels; ++c)
    if (rows[c])
      std::memset(rows[c], 0, static_cast<size_t>(frames) * sizeof(double));
}

void CopyBlockToSampleBuffer2D(const double* const* sources, double** destinations, int32_t frames,
                               int32_t channels, int32_t offset)
{
  if (!sources || !destinations)
    return;
  for (int32_t c = 0; c < channels; ++c)
    if (sources[c] && destinations[c])
      CopySampleRow(sources[c], destinations[c], frames, offset);
}
